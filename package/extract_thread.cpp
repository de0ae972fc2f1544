// ExtractThreadProc: the extraction worker. It runs the extraction on the
// record's files and posts exactly one result, after the extraction has
// cleaned up behind a failure, through the WorkerResult guard.
#include "extract_package.h"
#include "extraction.h"
#include "device_paths.h"

DWORD ExtractThreadProc(Preparer* preparer) {
    WorkerResult<Preparer> result(preparer);
    const SectionOutputs outputs = {{preparer->exe_file, preparer->images_file, preparer->fonts_file}, true};
    static_assert(kPackageSectionCount == 3, "one output per section");
    const ExtractionRequest request = {preparer->upgrade_file, &outputs, kTrustedKeyFile, false, true,
                                       &RunningStageProgress()};
    ExtractionReport report;
    if (std::optional<ExtractFailure> failure = ExtractPackageSections(request, &report)) {
        preparer->error = *failure;
        return 0;
    }
    if (preparer->attempt) preparer->attempt->verified = report.verified;
    result.MarkSucceeded();
    return 0;
}
