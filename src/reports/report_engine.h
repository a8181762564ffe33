#pragma once

// The report run: which clients are printed and in which order, the page model with its
// page breaks and page header, and the document from start to end.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/program_identity.h"
#include "reports/page_model.h"
#include "reports/report_style.h"
#include "store/client_record.h"

namespace reports {

inline constexpr const char* DocumentTitle = platform::ProgramCaption;
// The fixed line under the rule, left of the print stamp.
inline constexpr const char* NoticeLine =
    "Confidential client information - for the use of its owner only.";
inline constexpr std::size_t MaxPrintStampLength = 39;

// Ascending by follow-up date, clients without a date first, equal dates in their given order.
void OrderByFollowUpDate(std::vector<const store::ClientRecord*>& clients);

// One whole run over the clients in list order: opens the document, prints every client,
// ends the document in the preview or on the printer, and zeroes CurrentRecord. When the
// document cannot be opened nothing else happens and the result is false.
bool PrintReport(std::span<const store::ClientRecord* const> clients, ReportStyle style,
                 bool preview);

// Prints one client in the run's style, starting a page and drawing its header as needed.
void PrintClientEntry(ReportRun& run, const store::ClientRecord& client);

// Draws the page header and puts the cursor at BodyTop, with the body font selected.
void PrintPageHeader(ReportRun& run);

// "mm-dd-yyyy" of the local date, a blank, then the time of day.
std::string MakePrintStamp();

}  // namespace reports
