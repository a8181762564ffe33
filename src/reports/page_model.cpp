#include "reports/page_model.h"

#include "platform/print/dp.h"

namespace reports {

void StartNewPage(ReportRun& run) {
    print::dpNewPage(run.doc, PageSetupA, PageSetupB, PageSetupC);
    run.cursor = 0.0f;
}

void SelectLabelFont(const ReportRun& run) {
    print::dpFont(run.doc, print::STYLE_LABEL, BodyPoints, 0, ReportFace);
}

void SelectValueFont(const ReportRun& run) {
    print::dpFont(run.doc, print::STYLE_VALUE, BodyPoints, 0, ReportFace);
}

}  // namespace reports
