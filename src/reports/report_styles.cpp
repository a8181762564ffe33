#include "reports/report_styles.h"

#include <string>

#include "followup/day_numbers.h"
#include "platform/print/dp.h"
#include "reports/report_engine.h"
#include "store/client_table.h"
#include "store/history.h"
#include "store/text_field.h"

namespace reports {

namespace {

// The box the history flows into.
constexpr float HistoryLeft = 0.5f;
constexpr float HistoryRight = 8.0f;

// A label ends at x, in the label font.
void Label(const ReportRun& run, float x, const char* text) {
    SelectLabelFont(run);
    print::dpText(run.doc, x, run.cursor, print::ALIGN_RIGHT, text);
}

// The right edge of the page's text, and the room kept free before whatever follows a value.
constexpr float PageRight = 8.0f;
constexpr float Gap = 0.06f;

// Where a label that ends at x begins, in the label font.
float LabelStart(const ReportRun& run, float x, const char* text) {
    SelectLabelFont(run);
    return x - print::dpTextWidth(run.doc, text);
}

// A value of a list line from x up to where the next one begins (the value font being
// selected already): a text too long for its room is cut and ended with "…" rather than
// printed over its neighbour.
void Cell(const ReportRun& run, float x, float next, const std::string& text) {
    print::dpText(run.doc, x, run.cursor, print::ALIGN_LEFT,
                  print::dpFitText(run.doc, next - x - Gap, text));
}

// A value starts at x, in the value font, and ends before next.
void Value(const ReportRun& run, float x, float next, const std::string& text) {
    SelectValueFont(run);
    Cell(run, x, next, text);
}

std::string FollowUpDateText(const store::ClientRecord& client) {
    return followup::DayNumberToText(client.FollowUpDate);
}

// Also the first line of every page the client's history continues on.
void PrintHeadLine(ReportRun& run) {
    const store::ClientRecord& client = store::CurrentRecord;
    Label(run, 0.9f, "Client:");
    Value(run, 0.95f, LabelStart(run, 4.0f, "Contact:"), store::FieldText(client.ClientName));
    Label(run, 4.0f, "Contact:");
    Value(run, 4.05f, LabelStart(run, 6.0f, "Phone:"), store::FieldText(client.Contact));
    Label(run, 6.0f, "Phone:");
    Value(run, 6.05f, LabelStart(run, 7.5f, "Ext:"), store::FieldText(client.Phone));
    Label(run, 7.5f, "Ext:");
    Value(run, 7.55f, PageRight, store::FieldText(client.Ext));
    run.cursor += LineStep;
}

void PrintAddressLines(ReportRun& run) {
    const store::ClientRecord& client = store::CurrentRecord;
    Value(run, 0.95f, LabelStart(run, 4.0f, "Assistant:"), store::FieldText(client.Address));
    Label(run, 4.0f, "Assistant:");
    Value(run, 4.05f, LabelStart(run, 6.0f, "Fax:"), store::FieldText(client.Gatekeeper));
    Label(run, 6.0f, "Fax:");
    Value(run, 6.05f, PageRight, store::FieldText(client.Fax));
    run.cursor += LineStep;

    // The separators stay even when the fields are empty.
    Value(run, 0.95f, LabelStart(run, 6.0f, "Cell:"),
          store::FieldText(client.City) + ", " + store::FieldText(client.State) + "  " +
              store::FieldText(client.Zip));
    Label(run, 6.0f, "Cell:");
    Value(run, 6.05f, PageRight, store::FieldText(client.Cell));
    run.cursor += LineStep;

    Label(run, 4.0f, "Follow-up:");
    SelectValueFont(run);
    print::dpText(run.doc, 4.05f, run.cursor, print::ALIGN_LEFT, FollowUpDateText(client));
    Value(run, 4.7f, PageRight, store::FieldText(client.FollowUpAction));
}

// Flows the history from the cursor down, continuing on new pages under the page header and
// the client's head line until all of it is placed.
void PrintHistory(ReportRun& run) {
    std::string rest = HistoryForReport(store::ReadHistory().text);
    for (;;) {
        // No font of its own: the first page goes on in the label font left by "Notes:", a
        // continuation page in the value font left by the repeated head line.
        const int placed = print::dpWrapText(run.doc, HistoryLeft, run.cursor, HistoryRight,
                                             BottomLimit, HistoryLineSpacing, rest);
        if (placed > 0) rest.erase(0, static_cast<std::size_t>(placed));
        // A call that places nothing would place nothing on the next page either.
        if (rest.empty() || placed <= 0) break;
        print::dpNewPage(run.doc, PageSetupA, PageSetupB, PageSetupC);
        PrintPageHeader(run);
        PrintHeadLine(run);
        run.cursor += LineStep;
    }
}

}  // namespace

void PrintFollowUpLine(ReportRun& run) {
    const store::ClientRecord& client = store::CurrentRecord;
    SelectValueFont(run);
    Cell(run, 0.5f, 2.8f, store::FieldText(client.ClientName));
    Cell(run, 2.8f, 4.3f, store::FieldText(client.Contact));
    Cell(run, 4.3f, 5.4f, store::FieldText(client.Phone));
    // A date always has its eight characters, for which the layout leaves room.
    print::dpText(run.doc, 5.4f, run.cursor, print::ALIGN_LEFT, FollowUpDateText(client));
    Cell(run, 6.0f, PageRight, store::FieldText(client.FollowUpAction));
    run.cursor += LineStep;
}

void PrintPhoneLine(ReportRun& run) {
    const store::ClientRecord& client = store::CurrentRecord;
    SelectValueFont(run);
    Cell(run, 0.5f, 3.0f, store::FieldText(client.ClientName));
    Cell(run, 3.0f, 4.5f, store::FieldText(client.Contact));
    Cell(run, 4.5f, PageRight, store::FieldText(client.Phone));
    run.cursor += LineStep;
}

void PrintClientPage(ReportRun& run, bool withHistory) {
    PrintHeadLine(run);
    PrintAddressLines(run);
    if (withHistory) {
        run.cursor += LineStep;
        Label(run, 0.95f, "Notes:");
        run.cursor += LineStep;
        run.cursor += LineStep;
        PrintHistory(run);
    }
    run.cursor = BottomLimit;
}

std::string HistoryForReport(std::string history) {
    if (const auto nul = history.find('\0'); nul != std::string::npos) history.resize(nul);
    // Never more characters than bytes.
    if (history.size() <= MaxHistoryCharacters) return history;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < history.size(); ++i) {
        // Every byte that is not a continuation byte starts a character.
        const bool starts = (static_cast<unsigned char>(history[i]) & 0xC0) != 0x80;
        if (starts && ++characters > MaxHistoryCharacters) {
            history.resize(i);
            break;
        }
    }
    return history;
}

}  // namespace reports
