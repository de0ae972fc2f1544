// ExtractThreadProc: the extraction worker. It runs the extraction on the
// record's files and posts exactly one result, after the extraction has
// cleaned up behind a failure, through the WorkerResult guard.
#include "extract_package.h"
#include "extraction.h"
#include "device_paths.h"
#include "key_rotation.h"

DWORD ExtractThreadProc(Preparer* preparer) {
    WorkerResult<Preparer> result(preparer);
    const SectionOutputs outputs = {{preparer->exe_file, preparer->images_file, preparer->fonts_file}, true};
    static_assert(kPackageSectionCount == 3, "one output per section");
    // A device model given by the shell holds a keyed device's package to it.
    LPCWSTR model = preparer->attempt && preparer->attempt->device_model[0] ? preparer->attempt->device_model : NULL;
    const ExtractionRequest request = {preparer->upgrade_file, &outputs, TrustedKeyFileInForce(), false, true,
                                       &RunningStageProgress(), model};
    ExtractionReport report;
    if (std::optional<ExtractFailure> failure = ExtractPackageSections(request, &report)) {
        preparer->error = *failure;
        return 0;
    }
    if (preparer->attempt) preparer->attempt->verified = report.verified;
    result.MarkSucceeded();
    return 0;
}
