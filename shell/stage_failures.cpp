// The stages' failure table.
#include "stage_failures.h"

#include <iterator>

namespace {

constexpr const WCHAR* kPreparationFailed = L"Preparation failed";
constexpr const WCHAR* kUpgradeFailed = L"Upgrade failed";
constexpr const WCHAR* kDeltaDoesNotFit = L"Delta does not fit";
constexpr const WCHAR* kRollbackFailed = L"Rollback failed";

constexpr StageFailureRow Row(ExtractFailure failure, LPCWSTR screen = kPreparationFailed) {
    return {WorkerStage::kExtraction, static_cast<DWORD>(failure), FailureCode(failure), screen};
}
constexpr StageFailureRow Row(InstallFailure failure, LPCWSTR screen = kUpgradeFailed) {
    return {WorkerStage::kInstallation, static_cast<DWORD>(failure), FailureCode(failure), screen};
}
constexpr StageFailureRow Row(RollbackFailure failure, LPCWSTR screen = kRollbackFailed) {
    return {WorkerStage::kRollback, static_cast<DWORD>(failure), FailureCode(failure), screen};
}

constexpr StageFailureRow kRows[] = {
    Row(ExtractFailure::kNoUpgradeFile),
    Row(ExtractFailure::kOpenPackage),
    Row(ExtractFailure::kReadHead),
    Row(ExtractFailure::kBadSignature),
    Row(ExtractFailure::kPointTail),
    Row(ExtractFailure::kReadTail),
    Row(ExtractFailure::kPointExe),
    Row(ExtractFailure::kWrongDataSize),
    Row(ExtractFailure::kWrongFileSize),
    Row(ExtractFailure::kBadChecksum),
    Row(ExtractFailure::kDeleteExe),
    Row(ExtractFailure::kCreateExe),
    Row(ExtractFailure::kCopyExe),
    Row(ExtractFailure::kNoExe),
    Row(ExtractFailure::kDeleteImages),
    Row(ExtractFailure::kCreateImages),
    Row(ExtractFailure::kCopyImages),
    Row(ExtractFailure::kNoImages),
    Row(ExtractFailure::kDeleteFonts),
    Row(ExtractFailure::kCreateFonts),
    Row(ExtractFailure::kCopyFonts),
    Row(ExtractFailure::kUntrustedPackage),

    Row(InstallFailure::kUnzipImages),
    Row(InstallFailure::kRemoveImages),
    Row(InstallFailure::kMoveImages),
    Row(InstallFailure::kNoImages),
    Row(InstallFailure::kUnzipFont),
    Row(InstallFailure::kRemoveFont),
    Row(InstallFailure::kMoveFont),
    Row(InstallFailure::kDeleteExe),
    Row(InstallFailure::kMoveExe),
    Row(InstallFailure::kNoExe),
    Row(InstallFailure::kPreparePrevious),
    Row(InstallFailure::kStartTrial),
    // A delta made for another installed version: nothing was switched over.
    Row(InstallFailure::kImagesDoNotFit, kDeltaDoesNotFit),
    Row(InstallFailure::kFontsDoNotFit, kDeltaDoesNotFit),
    Row(InstallFailure::kExeDoesNotFit, kDeltaDoesNotFit),
    Row(InstallFailure::kBadDelta, kDeltaDoesNotFit),
    Row(InstallFailure::kWritePatchedExe),
    Row(InstallFailure::kWriteNextKeys),

    Row(RollbackFailure::kRemoveNew),
    Row(RollbackFailure::kRestoreOld),
    Row(RollbackFailure::kRecordRejected),
    Row(RollbackFailure::kEndTrial),
    Row(RollbackFailure::kReadTrial),
};

}  // namespace

LPCWSTR StageFailedText(WorkerStage stage) {
    switch (stage) {
        case WorkerStage::kExtraction:
            return kPreparationFailed;
        case WorkerStage::kInstallation:
            return kUpgradeFailed;
        case WorkerStage::kRollback:
            break;
    }
    return kRollbackFailed;
}

StageFailureRow PostedFailureRow(WorkerStage stage, LPARAM failure) {
    const DWORD value = static_cast<DWORD>(failure);
    for (const StageFailureRow& row : kRows) {
        if (row.stage == stage && row.failure == value) return row;
    }
    return {stage, value, kUnknownFailureCode, StageFailedText(stage)};
}

const StageFailureRow* StageFailureRows(size_t* count) {
    *count = std::size(kRows);
    return kRows;
}
