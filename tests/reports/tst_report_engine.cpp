#include <QFontMetricsF>
#include <QTest>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "followup/day_numbers.h"
#include "platform/clock.h"
#include "platform/print/dp.h"
#include "platform/print/fonts.h"
#include "platform/print/wrap.h"
#include "reports/page_model.h"
#include "reports/print_window.h"
#include "reports/report_engine.h"
#include "reports/report_styles.h"
#include "store/client_table.h"
#include "store/history.h"
#include "store/text_field.h"
#include "support/captured_reports.h"
#include "support/hooks.h"
#include "support/local_time.h"
#include "support/program_fixture.h"
#include "support/sample_clients.h"
#include "support/temp_app_folder.h"

using reports::ReportStyle;
using testing::CapturedReports;
using testing::NumberedClientName;
using testing::NumberedClients;

namespace {

// 6 December 2026, 9:05:00 in the morning.
platform::SYSTEMTIME FixedNow() {
    return testing::LocalTime(2026, 12, 6, 9, 5);
}

constexpr followup::DayNumber December6 = 740321;

std::vector<const store::ClientRecord*> Pointers(const std::vector<store::ClientRecord>& clients) {
    std::vector<const store::ClientRecord*> pointers;
    for (const auto& client : clients) pointers.push_back(&client);
    return pointers;
}

bool PrintAll(const std::vector<store::ClientRecord>& clients, ReportStyle style,
              bool preview = true) {
    return reports::PrintReport(Pointers(clients), style, preview);
}

// The client names a list page shows, top to bottom.
std::vector<std::string> ListedNames(const print::Document& document, std::size_t page) {
    std::vector<std::string> names;
    for (const print::Item& item : document.pages[page].items) {
        if (item.kind == print::ItemKind::Text && item.x == 0.5f && item.y >= reports::BodyTop &&
            item.text.rfind("Client ", 0) == 0) {
            names.push_back(item.text);
        }
    }
    return names;
}

bool HasHeader(const print::Document& document, std::size_t page) {
    const auto titles = testing::TextsAt(document, page, 0.5f);
    return !titles.empty() && titles.front() == reports::DocumentTitle &&
           testing::ItemsOf(document, page, print::ItemKind::Rule).size() == 1;
}

// The history text a client page shows: its wrapped lines over all pages.
std::string PrintedHistory(const print::Document& document) {
    std::string text;
    for (std::size_t page = 0; page < document.pages.size(); ++page) {
        const std::string part = testing::WrappedText(document, page);
        if (part.empty()) continue;
        if (!text.empty()) text += '\n';
        text += part;
    }
    return text;
}

bool IsAllZero(const store::ClientRecord& record) {
    static const store::ClientRecord zero{};
    return std::memcmp(&record, &zero, sizeof record) == 0;
}

}  // namespace

class ReportEngineTest : public QObject {
    Q_OBJECT

    std::optional<testing::Hooks> hooks_;  // the stand-ins for one test

private slots:
    void init() {
        store::ResetClientStore();
        hooks_.emplace().setNow(FixedNow());
    }
    void cleanup() { hooks_.reset(); }

    void listStylesHoldFiftyThreeLinesAPage_data() {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("clients");
        QTest::addColumn<int>("pages");
        QTest::newRow("follow-up list: 53 clients fill one page, no empty page follows")
            << 0 << 53 << 1;
        QTest::newRow("follow-up list: the 54th client opens page 2") << 0 << 54 << 2;
        QTest::newRow("phone list: 106 clients fill two pages") << 1 << 106 << 2;
        QTest::newRow("phone list: the 107th client opens page 3") << 1 << 107 << 3;
        QTest::newRow("list by date: the 54th client opens page 2") << 4 << 54 << 2;
    }
    void listStylesHoldFiftyThreeLinesAPage() {
        QFETCH(int, style);
        QFETCH(int, clients);
        QFETCH(int, pages);
        CapturedReports reports;
        const auto list = NumberedClients(clients);
        QVERIFY(PrintAll(list, static_cast<ReportStyle>(style)));
        const print::Document& document = reports.last();
        QCOMPARE(int(document.pages.size()), pages);

        int next = 1;
        for (std::size_t page = 0; page < document.pages.size(); ++page) {
            QVERIFY2(HasHeader(document, page), "every page starts with the header");
            const auto names = ListedNames(document, page);
            QVERIFY(!names.empty() && names.size() <= 53);
            // The page's first line sits right under the header.
            QCOMPARE(testing::LineAt(document, page, reports::BodyTop).rfind(names.front(), 0),
                     std::size_t(0));
            for (const std::string& name : names) QCOMPARE(name, NumberedClientName(next++));
        }
        QCOMPARE(next, clients + 1);
    }

    void followUpLineShowsItsColumns() {
        CapturedReports reports;
        auto list = NumberedClients(1);
        store::StoreField(list[0].FollowUpAction, "Call back");
        list[0].FollowUpDate = December6;
        QVERIFY(PrintAll(list, ReportStyle::ListWithFollowUp));
        const print::Document& document = reports.last();
        QCOMPARE(testing::TextsAt(document, 0, 2.8f), std::vector<std::string>{"Contact 1"});
        QCOMPARE(testing::TextsAt(document, 0, 4.3f), std::vector<std::string>{"555-0100"});
        QCOMPARE(testing::TextsAt(document, 0, 5.4f), std::vector<std::string>{"12/06/26"});
        QCOMPARE(testing::TextsAt(document, 0, 6.0f), std::vector<std::string>{"Call back"});
    }

    // A field too long for its column would print over the next one: it is cut and ends in
    // "…", while the fields that fit stay whole.
    void longFieldsAreCutBeforeTheNextColumn_data() {
        QTest::addColumn<int>("style");
        QTest::addColumn<float>("nameX");
        QTest::newRow("the follow-up list") << int(ReportStyle::ListWithFollowUp) << 0.5f;
        QTest::newRow("the phone list") << int(ReportStyle::ListPhonesOnly) << 0.5f;
        QTest::newRow("the client page") << int(ReportStyle::PagePerClientNoHistory) << 0.95f;
    }
    void longFieldsAreCutBeforeTheNextColumn() {
        QFETCH(int, style);
        QFETCH(float, nameX);
        CapturedReports reports;
        auto list = NumberedClients(1);
        const std::string longName(50, 'W');
        store::StoreField(list[0].ClientName, longName);
        QVERIFY(PrintAll(list, static_cast<ReportStyle>(style)));
        const auto texts = testing::TextsAt(reports.last(), 0, nameX);
        const auto name = std::find_if(texts.begin(), texts.end(), [](const std::string& text) {
            return text.starts_with("WWWW");
        });
        QVERIFY(name != texts.end());
        QVERIFY(name->ends_with("\u2026"));
        QVERIFY(name->size() < longName.size());
        const auto page = testing::PageTexts(reports.last(), 0);
        QVERIFY(std::find(page.begin(), page.end(), "Contact 1") != page.end());
    }

    void pageHeaderShowsTitlePagesStampAndNotice() {
        CapturedReports reports;
        QVERIFY(PrintAll(NumberedClients(60), ReportStyle::ListPhonesOnly));
        const print::Document& document = reports.last();
        QCOMPARE(int(document.pages.size()), 2);
        for (std::size_t page = 0; page < 2; ++page) {
            QCOMPARE(testing::LineAt(document, page, 0.5f),
                     "Vendrix 2.05 Page " + std::to_string(page + 1) + " of 2");
            QCOMPARE(testing::LineAt(document, page, 0.65f),
                     std::string(reports::NoticeLine) + " 12-06-2026  9:05:00 am");
            const auto rules = testing::ItemsOf(document, page, print::ItemKind::Rule);
            QCOMPARE(rules.size(), std::size_t(1));
            QCOMPARE(rules[0].y, 0.53f);
            QCOMPARE(rules[0].x, 0.5f);
            QCOMPARE(rules[0].x2, 8.0f);
        }
        // The page fields are right-aligned just before "of" and at the right margin.
        const auto numbers = testing::ItemsOf(document, 1, print::ItemKind::PageNumber);
        const auto counts = testing::ItemsOf(document, 1, print::ItemKind::PageCount);
        QCOMPARE(numbers.size(), std::size_t(1));
        QCOMPARE(counts.size(), std::size_t(1));
        QCOMPARE(numbers[0].x, 7.6f);
        QCOMPARE(counts[0].x, 8.0f);
        QCOMPARE(int(counts[0].align), print::ALIGN_RIGHT);
    }

    void pagePerClientStylesGiveOnePageEach_data() {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("clients");
        QTest::newRow("with history: one client") << 2 << 1;
        QTest::newRow("with history: four clients") << 2 << 4;
        QTest::newRow("no history: one client") << 3 << 1;
        QTest::newRow("no history: four clients") << 3 << 4;
    }
    void pagePerClientStylesGiveOnePageEach() {
        QFETCH(int, style);
        QFETCH(int, clients);
        testing::TempAppFolder folder;
        CapturedReports reports;
        QVERIFY(PrintAll(NumberedClients(clients), static_cast<ReportStyle>(style)));
        const print::Document& document = reports.last();
        // No blank page after the last client.
        QCOMPARE(int(document.pages.size()), clients);
        for (int page = 0; page < clients; ++page) {
            const auto at = static_cast<std::size_t>(page);
            QVERIFY(HasHeader(document, at));
            QCOMPARE(testing::LineAt(document, at, reports::BodyTop),
                     "Client: " + NumberedClientName(page + 1) + " Contact: Contact " +
                         std::to_string(page + 1) + " Phone: 555-0100 Ext:");
        }
    }

    void clientPageShowsEveryLine() {
        testing::TempAppFolder folder;
        CapturedReports reports;
        auto list = NumberedClients(1);
        store::ClientRecord& client = list[0];
        store::StoreField(client.ClientName, "Café Müller");
        store::StoreField(client.Ext, "12");
        store::StoreField(client.Address, "1 Main St");
        store::StoreField(client.Gatekeeper, "Ann");
        store::StoreField(client.Fax, "555-0199");
        store::StoreField(client.City, "Springfield");
        store::StoreField(client.State, "IL");
        store::StoreField(client.Zip, "62701");
        store::StoreField(client.Cell, "555-0142");
        store::StoreField(client.FollowUpAction, "Send quote");
        client.FollowUpDate = December6;
        QVERIFY(store::WriteHistory(1, "Met at the fair."));
        QVERIFY(PrintAll(list, ReportStyle::PagePerClientWithHistory));
        const print::Document& document = reports.last();

        float y = reports::BodyTop;
        QCOMPARE(testing::LineAt(document, 0, y),
                 "Client: Café Müller Contact: Contact 1 Phone: 555-0100 Ext: 12");
        y += reports::LineStep;
        QCOMPARE(testing::LineAt(document, 0, y), "1 Main St Assistant: Ann Fax: 555-0199");
        y += reports::LineStep;
        QCOMPARE(testing::LineAt(document, 0, y), "Springfield, IL  62701 Cell: 555-0142");
        y += reports::LineStep;
        QCOMPARE(testing::LineAt(document, 0, y), "Follow-up: 12/06/26 Send quote");
        y += reports::LineStep;
        QCOMPARE(testing::LineAt(document, 0, y), "Notes:");
        y += reports::LineStep;
        y += reports::LineStep;
        const auto history = testing::ItemsOf(document, 0, print::ItemKind::WrappedLine);
        QCOMPARE(history.size(), std::size_t(1));
        QCOMPARE(history[0].text, "Met at the fair.");
        QCOMPARE(history[0].y, y);
        QCOMPARE(history[0].x, 0.5f);
    }

    void clientPageKeepsSeparatorsOfEmptyCity() {
        testing::TempAppFolder folder;
        CapturedReports reports;
        QVERIFY(PrintAll(NumberedClients(1), ReportStyle::PagePerClientNoHistory));
        const float line3 = reports::BodyTop + reports::LineStep + reports::LineStep;
        // The city line, then the "Cell:" label (LineAt joins the two with a blank).
        QCOMPARE(testing::LineAt(reports.last(), 0, line3), ",    Cell:");
        // Without history there is no "Notes:" under the follow-up line.
        const auto atNotes = testing::TextsAt(reports.last(), 0, 0.95f);
        QCOMPARE(atNotes.back(), ",   ");
        QVERIFY(std::find(atNotes.begin(), atNotes.end(), "Notes:") == atNotes.end());
    }

    void longHistoryContinuesUnderHeaderAndHeadLine() {
        testing::TempAppFolder folder;
        CapturedReports reports;
        std::string history;
        std::string expected;
        for (int line = 1; line <= 150; ++line) {
            const std::string text = "History line " + std::to_string(line) + " of the client";
            history += text + "\r\n";
            expected += (expected.empty() ? "" : "\n") + text;
        }
        QVERIFY(store::WriteHistory(1, history));
        const auto list = NumberedClients(2);
        QVERIFY(PrintAll(list, ReportStyle::PagePerClientWithHistory));
        const print::Document& document = reports.last();

        // Client 1 takes several pages; client 2 (no history) begins a page of its own and is
        // the last page.
        QVERIFY(document.pages.size() >= 4);
        const std::size_t lastPage = document.pages.size() - 1;
        QCOMPARE(PrintedHistory(document), expected);
        const std::string head1 =
            "Client: " + NumberedClientName(1) + " Contact: Contact 1 Phone: 555-0100 Ext:";
        for (std::size_t page = 0; page < lastPage; ++page) {
            QVERIFY(HasHeader(document, page));
            QCOMPARE(testing::LineAt(document, page, reports::BodyTop), head1);
            if (page == 0) continue;
            // The head line, one empty line, then the history again.
            const auto lines = testing::ItemsOf(document, page, print::ItemKind::WrappedLine);
            QVERIFY(!lines.empty());
            QCOMPARE(lines.front().y, reports::BodyTop + reports::LineStep + reports::LineStep);
            for (const auto& line : lines) QVERIFY(line.y <= reports::BottomLimit + 1e-4f);
        }
        // The history goes on in the font the page left selected: the label font after
        // "Notes:", the value font after a repeated head line.
        for (std::size_t page = 0; page < lastPage; ++page) {
            for (const auto& line :
                 testing::ItemsOf(document, page, print::ItemKind::WrappedLine)) {
                QCOMPARE(document.fonts[line.font].style, page == 0 ? 16 : 17);
                QCOMPARE(document.fonts[line.font].points, 10.0f);
            }
        }
        QVERIFY(HasHeader(document, lastPage));
        QVERIFY(testing::LineAt(document, lastPage, reports::BodyTop).find(NumberedClientName(2)) !=
                std::string::npos);
    }

    // Paragraphs of every width around the row's, some with the kerned "r’": the lines a
    // client page shows are the ones that measuring every piece gives.
    void historyLinesAreTheMeasuredOnes() {
        testing::TempAppFolder folder;
        CapturedReports reports;
        const std::string tail =
            "spoke with the buyer about next quarter's volumes and pricing, samples by Friday "
            "and a call back about the spring order";
        std::string history;
        for (std::size_t length = 40; length <= tail.size(); length += 3) {
            history += (length % 2 == 0 ? "r’r’r’ " : "Jones’ ") + tail.substr(0, length) + "\r\n";
        }
        QVERIFY(store::WriteHistory(1, history));
        QVERIFY(PrintAll(NumberedClients(1), ReportStyle::PagePerClientWithHistory));

        const QFontMetricsF label(print::FontFor({print::STYLE_LABEL, 10, "Arial"}));
        const print::Wrapped measured = print::WrapText(
            history, 7.5 * print::UNITS_PER_INCH, 1000, [&](std::string_view piece) {
                return label.horizontalAdvance(print::DisplayText(piece));
            });
        std::string expected;
        for (const print::LineSpan& line : measured.lines) {
            expected +=
                (expected.empty() ? "" : "\n") + history.substr(line.begin, line.end - line.begin);
        }
        QCOMPARE(reports.last().pages.size(), std::size_t{1});
        QCOMPARE(testing::WrappedText(reports.last(), 0), expected);
    }

    void historyIsCutAfter29999Characters_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("printed");
        QTest::newRow("a history of 29,999 characters is printed whole") << 29999 << 29999;
        QTest::newRow("a history of 30,000 characters loses its last") << 30000 << 29999;
        QTest::newRow("a history of 45,000 characters is cut to 29,999") << 45000 << 29999;
    }
    void historyIsCutAfter29999Characters() {
        QFETCH(int, length);
        QFETCH(int, printed);
        testing::TempAppFolder folder;
        CapturedReports reports;
        // Words of "é" (two bytes in UTF-8, one character) between blanks, the last character
        // of each length an "é", so that any cut shows and a cut counted in bytes would too.
        auto isBlank = [](int i) { return i % 10 == 4; };
        std::string history;
        int printedLetters = 0;
        for (int i = 0; i < length; ++i) {
            history += isBlank(i) ? " " : "é";
            if (i < printed && !isBlank(i)) ++printedLetters;
        }
        QVERIFY(store::WriteHistory(1, history));
        QVERIFY(PrintAll(NumberedClients(1), ReportStyle::PagePerClientWithHistory));
        const std::string shown = PrintedHistory(reports.last());
        int shownLetters = 0;
        for (std::size_t at = shown.find("é"); at != std::string::npos;
             at = shown.find("é", at + 1)) {
            ++shownLetters;
        }
        QCOMPARE(shownLetters, printedLetters);
        QVERIFY(reports.last().pages.size() > 2);
    }

    void historyForReportCutsWholeCharacters_data() {
        QTest::addColumn<QByteArray>("history");
        QTest::addColumn<QByteArray>("printed");
        QTest::newRow("text ends at the first NUL")
            << QByteArray("before\0after", 12) << QByteArray("before");
        QTest::newRow("30,000 two-byte characters keep 29,999")
            << QByteArray("\xc3\xa9").repeated(30000) << QByteArray("\xc3\xa9").repeated(29999);
    }
    void historyForReportCutsWholeCharacters() {
        QFETCH(QByteArray, history);
        QFETCH(QByteArray, printed);
        const std::string cut = reports::HistoryForReport(
            std::string(history.constData(), static_cast<std::size_t>(history.size())));
        QCOMPARE(QByteArray(cut.data(), qsizetype(cut.size())), printed);
    }

    void listByDateOrdersUndatedFirstAndKeepsListOrder() {
        CapturedReports reports;
        auto list = NumberedClients(7);
        const followup::DayNumber dates[] = {December6 + 3,   0, December6, December6 + 3, 0,
                                             December6 - 400, -5};
        for (std::size_t i = 0; i < list.size(); ++i) list[i].FollowUpDate = dates[i];
        QVERIFY(PrintAll(list, ReportStyle::ListByFollowUpDate));
        const std::vector<std::string> expected{NumberedClientName(2), NumberedClientName(5),
                                                NumberedClientName(7), NumberedClientName(6),
                                                NumberedClientName(3), NumberedClientName(1),
                                                NumberedClientName(4)};
        QCOMPARE(ListedNames(reports.last(), 0), expected);
        // The other list style keeps the list order.
        QVERIFY(PrintAll(list, ReportStyle::ListWithFollowUp));
        QCOMPARE(ListedNames(reports.last(), 0).front(), NumberedClientName(1));
    }

    void pageNumbersAreRightOnEveryPage_data() {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("clients");
        QTest::newRow("three list pages") << 0 << 150;
        QTest::newRow("five client pages") << 3 << 5;
    }
    void pageNumbersAreRightOnEveryPage() {
        QFETCH(int, style);
        QFETCH(int, clients);
        testing::TempAppFolder folder;
        CapturedReports reports;
        QVERIFY(PrintAll(NumberedClients(clients), static_cast<ReportStyle>(style)));
        const print::Document& document = reports.last();
        const std::string count = std::to_string(document.pages.size());
        for (std::size_t page = 0; page < document.pages.size(); ++page) {
            const auto numbers = testing::ItemsOf(document, page, print::ItemKind::PageNumber);
            const auto counts = testing::ItemsOf(document, page, print::ItemKind::PageCount);
            QCOMPARE(numbers.size(), std::size_t(1));
            QCOMPARE(counts.size(), std::size_t(1));
            QCOMPARE(numbers[0].text, std::to_string(page + 1));
            QCOMPARE(counts[0].text, count);
        }
    }

    // From page 1000 on, "Page1000 of1001" once ran the numbers into their words.
    void pageNumbersKeepTheirBlanks_data() {
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("page");
        QTest::newRow("page 999 of 999 stays where it always was") << 999 << 999;
        QTest::newRow("page 1 of 1000 keeps a blank before the count") << 1000 << 1;
        QTest::newRow("page 1000 of 1000 keeps both blanks") << 1000 << 1000;
        QTest::newRow("page 2000 of 2000 keeps both blanks") << 2000 << 2000;
    }
    void pageNumbersKeepTheirBlanks() {
        QFETCH(int, pages);
        QFETCH(int, page);
        CapturedReports reports;
        QVERIFY(PrintAll(NumberedClients(pages), ReportStyle::PagePerClientNoHistory));
        const print::Document& document = reports.last();
        const auto at = static_cast<std::size_t>(page - 1);
        QCOMPARE(testing::LineAt(document, at, 0.5f),
                 "Vendrix 2.05 Page " + std::to_string(page) + " of " + std::to_string(pages));
        std::vector<print::Item> words;
        for (const print::Item& item : document.pages[at].items) {
            if (item.y == 0.5f && item.x > 7.0f) words.push_back(item);
        }
        std::sort(words.begin(), words.end(), [](auto& a, auto& b) { return a.x < b.x; });
        QCOMPARE(words.size(), std::size_t(4));
        const print::FontChoice font = document.fonts[words[0].font];
        const double blank = print::TextWidthInches(font, " ");
        for (std::size_t i = 0; i < words.size(); ++i) {
            const double right = words[i].left + print::TextWidthInches(font, words[i].text);
            if (i + 1 < words.size()) QVERIFY(words[i + 1].left - right >= blank - 1e-4);
            // Under a thousand pages every word ends where its place is.
            if (pages < 1000) QVERIFY(std::abs(right - words[i].x) < 1e-4);
        }
    }

    void runEndsByPreviewChoiceAndZeroesCurrentRecord_data() {
        QTest::addColumn<bool>("preview");
        QTest::addColumn<int>("mode");
        QTest::newRow("preview ticked: the document goes to the preview") << true << 4;
        QTest::newRow("preview not ticked: the document goes to the printer") << false << 5;
    }
    void runEndsByPreviewChoiceAndZeroesCurrentRecord() {
        QFETCH(bool, preview);
        QFETCH(int, mode);
        testing::TempAppFolder folder;
        CapturedReports reports;
        store::CurrentRecord = testing::MakeClient("Left over");
        QVERIFY(PrintAll(NumberedClients(3), ReportStyle::PagePerClientWithHistory, preview));
        QCOMPARE(reports.ended().size(), std::size_t(1));
        QCOMPARE(reports.ended().back().mode, mode);
        QCOMPARE(reports.last().title, std::string("Vendrix 2.05"));
        QVERIFY(IsAllZero(store::CurrentRecord));
    }

    void noClientsDrawNothingButEndTheDocument() {
        CapturedReports reports;
        QVERIFY(PrintAll({}, ReportStyle::ListWithFollowUp));
        QCOMPARE(reports.ended().size(), std::size_t(1));
        QCOMPARE(reports.last().pages.size(), std::size_t(1));
        QVERIFY(reports.last().pages[0].items.empty());
    }

    void failedStartShowsTheErrorAndDrawsNothing() {
        CapturedReports reports;
        testing::MessageBoxes boxes;
        // Every document number taken: the next start fails.
        std::vector<int> held;
        for (int i = 0; i < print::MAX_OPEN_DOCUMENTS; ++i) {
            const int doc = print::dpStartDoc(0, "held", "", 0, 1, 0, 7, 64);
            if (doc > 0) held.push_back(doc);
        }
        const store::ClientRecord before = testing::MakeClient("Being edited");
        store::CurrentRecord = before;
        QVERIFY(!PrintAll(NumberedClients(3), ReportStyle::ListWithFollowUp));
        // The engine only answers; the print window's buttons tell the user.
        QVERIFY(boxes.asked().empty());
        reports::PrintClientReport(0);
        for (int doc : held) print::dpEndDoc(doc, print::END_PRINT);

        QCOMPARE(boxes.asked().size(), std::size_t(1));
        QCOMPARE(boxes.asked()[0].text, std::string("Unable to initialize document.{S}"));
        QCOMPARE(boxes.asked()[0].caption, std::string("Error!"));
        QCOMPARE(boxes.asked()[0].buttons, std::string("OK"));
        QCOMPARE(std::memcmp(&store::CurrentRecord, &before, sizeof before), 0);
        for (const auto& ended : reports.ended())
            QCOMPARE(ended.document.title, std::string("held"));
    }
};

QTEST_MAIN(ReportEngineTest)
#include "tst_report_engine.moc"
