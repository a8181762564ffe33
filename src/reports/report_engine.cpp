#include "reports/report_engine.h"

#include <algorithm>
#include <cstdio>

#include "followup/day_numbers.h"
#include "platform/clock.h"
#include "platform/print/dp.h"
#include "reports/report_styles.h"
#include "store/client_table.h"

namespace reports {

namespace {

// Title, page numbers and the stamp sit on the header's two lines; the rule runs between.
constexpr float HeaderTitleLine = 0.5f;
constexpr float HeaderRuleY = 0.53f;
constexpr float HeaderSecondLine = 0.65f;
constexpr float LeftMargin = 0.5f;
constexpr float RightMargin = 8.0f;
constexpr float TitlePoints = 13.0f;
constexpr float HeaderPoints = 9.0f;
constexpr float NoticePoints = 7.0f;
constexpr float RuleWidth = 1.0f;

void HeaderFont(const ReportRun& run, int style, float points) {
    print::dpFont(run.doc, style, points, 0, ReportFace);
}

// Undated clients (0, and the negative values a damaged file might hold) sort as one group.
followup::DayNumber SortDate(const store::ClientRecord& client) {
    // Read by value: a packed record's integer may not be bound to a reference.
    const followup::DayNumber date = client.FollowUpDate;
    return date > 0 ? date : 0;
}

}  // namespace

void OrderByFollowUpDate(std::vector<const store::ClientRecord*>& clients) {
    std::stable_sort(clients.begin(), clients.end(),
                     [](const store::ClientRecord* a, const store::ClientRecord* b) {
                         return SortDate(*a) < SortDate(*b);
                     });
}

bool PrintReport(std::span<const store::ClientRecord* const> clients, ReportStyle style,
                 bool preview) {
    ReportRun run;
    run.style = style;
    run.printStamp = MakePrintStamp();
    run.doc = print::dpStartDoc(0, DocumentTitle, "", 0, PageSetupA, PageSetupB, PageSetupC, 64);
    if (run.doc < 1) return false;
    run.cursor = 0.0f;

    if (style == ReportStyle::ListByFollowUpDate) {
        std::vector<const store::ClientRecord*> ordered(clients.begin(), clients.end());
        OrderByFollowUpDate(ordered);
        for (const store::ClientRecord* client : ordered) PrintClientEntry(run, *client);
    } else {
        for (const store::ClientRecord* client : clients) PrintClientEntry(run, *client);
    }

    print::dpEndDoc(run.doc, preview ? print::END_PREVIEW : print::END_PRINT);
    store::CurrentRecord = store::EmptyRecord();
    return true;
}

void PrintClientEntry(ReportRun& run, const store::ClientRecord& client) {
    // A list page is full once the cursor has passed BottomLimit; the page-per-client styles
    // leave it at exactly BottomLimit. Either way the next page is opened only when a further
    // client arrives, so that no report ends in an empty page counted in "Page n of m".
    if (run.cursor >= BottomLimit) StartNewPage(run);
    if (run.cursor == 0.0f) PrintPageHeader(run);
    // The history is read for the client in CurrentRecord.
    store::CurrentRecord = client;
    switch (run.style) {
        case ReportStyle::ListWithFollowUp:
        case ReportStyle::ListByFollowUpDate:
            PrintFollowUpLine(run);
            break;
        case ReportStyle::ListPhonesOnly:
            PrintPhoneLine(run);
            break;
        case ReportStyle::PagePerClientWithHistory:
            PrintClientPage(run, true);
            break;
        case ReportStyle::PagePerClientNoHistory:
            PrintClientPage(run, false);
            break;
    }
}

void PrintPageHeader(ReportRun& run) {
    HeaderFont(run, print::STYLE_TITLE, TitlePoints);
    print::dpText(run.doc, LeftMargin, HeaderTitleLine, print::ALIGN_LEFT, DocumentTitle);
    print::dpLine(run.doc, LeftMargin, HeaderRuleY, RightMargin, HeaderRuleY, RuleWidth, 0);
    HeaderFont(run, print::STYLE_LABEL, HeaderPoints);
    // Each word keeps one blank before the next however wide the page numbers grow: from
    // page 1000 on they would otherwise run into "Page" and "of".
    print::dpText(run.doc, 7.32f, HeaderTitleLine, print::ALIGN_RIGHT_BEFORE_NEXT, "Page");
    print::dpPageNo(run.doc, 7.6f, HeaderTitleLine, print::ALIGN_RIGHT_BEFORE_NEXT, 0);
    print::dpText(run.doc, 7.75f, HeaderTitleLine, print::ALIGN_RIGHT_BEFORE_NEXT, "of");
    print::dpPageCount(run.doc, RightMargin, HeaderTitleLine, print::ALIGN_RIGHT, 0);
    print::dpText(run.doc, RightMargin, HeaderSecondLine, print::ALIGN_RIGHT, run.printStamp);
    HeaderFont(run, print::STYLE_LABEL, NoticePoints);
    print::dpText(run.doc, LeftMargin, HeaderSecondLine, print::ALIGN_LEFT, NoticeLine);
    HeaderFont(run, print::STYLE_LABEL, BodyPoints);
    run.cursor = BodyTop;
}

std::string MakePrintStamp() {
    platform::SYSTEMTIME now;
    platform::GetLocalTime(now);
    char date[16];
    std::snprintf(date, sizeof date, "%02u-%02u-%04u", unsigned{now.wMonth} % 100,
                  unsigned{now.wDay} % 100, unsigned{now.wYear} % 10000);
    std::string stamp = std::string(date) + " " + followup::TimeOfDayText();
    if (stamp.size() > MaxPrintStampLength) stamp.resize(MaxPrintStampLength);
    return stamp;
}

}  // namespace reports
