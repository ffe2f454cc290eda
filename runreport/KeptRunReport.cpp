#include "runreport/KeptRunReport.h"

#include "runreport/RunExport.h"
#include "runreport/RunRecordConversion.h"
#include "tracking/PigRun.h"

namespace quorvex::runreport {

std::string keptRunReport(const journal::RunRecord& record, journal::ExportFormat format,
                          tracking::UtcTime now, std::string& text) {
    RestoredRun restored;
    if (std::string error = restoreRun(record, restored); !error.empty()) {
        return error;
    }
    tracking::PigRun run(*restored.route, restored.plan);
    for (tracking::Passage& passage : restored.passages) {
        run.add(std::move(passage));
    }
    if (record.ended) {
        now = tracking::UtcTime(std::chrono::microseconds(*record.ended));
    }
    RunSnapshot snapshot{
        &*restored.route, run.plan(), {run.passages().begin(), run.passages().end()}, {}, now};
    snapshot.state = run.evaluate(now);
    text = format == journal::ExportFormat::Csv ? runCsv(snapshot) : runGeoJson(snapshot, restored.alarms);
    return {};
}

}  // namespace quorvex::runreport
