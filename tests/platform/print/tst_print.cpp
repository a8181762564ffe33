#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QPrinter>
#include <QProcess>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QtTest>
#include <cmath>
#include <limits>
#include <optional>
#include <set>

#include "platform/clock.h"
#include "platform/print/cups.h"
#include "platform/print/dp.h"
#include "platform/print/fonts.h"
#include "platform/print/paint.h"
#include "platform/print/paper.h"
#include "platform/print/preview.h"
#include "platform/print/print_system.h"
#include "platform/print/progress.h"
#include "platform/print/wrap.h"
#include "support/hooks.h"
#include "support/local_time.h"

using namespace print;

namespace {

constexpr float SPACING = 0.167f;
const FontChoice LABEL_FONT{STYLE_LABEL, 10, "Arial"};

int StartDoc() {
    return dpStartDoc(0, "Vendrix 2.05", "", 0, 1, 0, 7, 64);
}

// The page header the reports draw.
void DrawHeader(int doc, const std::string& stamp) {
    dpFont(doc, STYLE_TITLE, 13, 0, "Arial");
    dpText(doc, 0.5f, 0.5f, 0, "Vendrix 2.05");
    dpLine(doc, 0.5f, 0.53f, 8.0f, 0.53f, 1.0f, 0);
    dpFont(doc, STYLE_LABEL, 9, 0, "Arial");
    dpText(doc, 7.32f, 0.5f, 2, "Page");
    dpPageNo(doc, 7.6f, 0.5f, 2, 0);
    dpText(doc, 7.75f, 0.5f, 2, "of");
    dpPageCount(doc, 8.0f, 0.5f, 2, 0);
    dpText(doc, 8.0f, 0.65f, 2, stamp);
    dpFont(doc, STYLE_LABEL, 7, 0, "Arial");
    dpText(doc, 0.5f, 0.65f, 0, "Confidential client information");
}

// A three-page document with a client on page 2.
Document SampleDocument(std::vector<Document>& ended) {
    const int doc = StartDoc();
    for (int page = 1; page <= 3; ++page) {
        if (page > 1) dpNewPage(doc, 1, 0, 7);
        DrawHeader(doc, "12-07-2026 9:05 AM");
        dpFont(doc, STYLE_LABEL, 10, 0, "Arial");
        dpText(doc, 0.9f, 1.0f, 2, "Client:");
        dpFont(doc, STYLE_VALUE, 10, 0, "Arial");
        dpText(doc, 0.95f, 1.0f, 0,
               page == 2 ? "Müller & Söhne" : "Client " + std::to_string(page));
    }
    dpEndDoc(doc, END_PREVIEW);
    return ended.back();
}

// The texts of a page's items of one kind.
QStringList Texts(const Page& page, ItemKind kind) {
    QStringList texts;
    for (const Item& item : page.items) {
        if (item.kind == kind) texts << QString::fromStdString(item.text);
    }
    return texts;
}

// The wrapped lines by row below y1, with "" for a row left empty.
QStringList Rows(const Page& page, float y1) {
    QStringList rows;
    for (const Item& item : page.items) {
        if (item.kind != ItemKind::WrappedLine) continue;
        const auto row = static_cast<qsizetype>(std::lround((item.y - y1) / SPACING));
        while (rows.size() <= row) rows << QString();
        rows[row] = QString::fromStdString(item.text);
    }
    return rows;
}

bool SplitsUtf8(const std::string& text, std::size_t at) {
    return at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80;
}

QString Run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000)) return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString Simplified(const QString& text) {
    return QString(text).replace('\f', ' ').simplified();
}

}  // namespace

class TestPrint : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startDocHandsOutNumbersUntilTooManyAreOpen();
    void callsOnAnEndedDocumentDoNothing();
    void pageNumbersAndCountsAreFilledInAtTheEnd();
    void textsKeepTheirFontAndAlignment();
    void styleCodesGiveThreeDistinctLooks_data();
    void styleCodesGiveThreeDistinctLooks();

    void wrapTextBreaksLines_data();
    void wrapTextBreaksLines();
    void wrapTextAlwaysPlacesSomething_data();
    void wrapTextAlwaysPlacesSomething();
    void wrapTextContinuesToTheEnd_data();
    void wrapTextContinuesToTheEnd();
    void wrapTextGivesTheSameRowsWhateverTheGuess_data();
    void wrapTextGivesTheSameRowsWhateverTheGuess();
    void wrapTextTrustsGuessesOnlyWithinTheKerningSlack_data();
    void wrapTextTrustsGuessesOnlyWithinTheKerningSlack();
    void reportFaceKerningStaysWithinTheSlack();

    void pdfHoldsTheTextsWhereTheyWereSet();
    void printingWithoutPrinterSavesPdfInReportsFolder_data();
    void printingWithoutPrinterSavesPdfInReportsFolder();
    void pdfThatCannotBeSavedIsReported();
    void previewShowsEveryPageUnderTheTitle();
    void previewWalksThroughThePages_data();
    void previewWalksThroughThePages();

    void printSystemAnswerDecidesWhatTheUserIsTold_data();
    void printSystemAnswerDecidesWhatTheUserIsTold();
    void paperIsThePrintersElseTheLocales_data();
    void paperIsThePrintersElseTheLocales();
    void cancellingALongPrintSendsAndKeepsNothing_data();
    void cancellingALongPrintSendsAndKeepsNothing();
    void aPageRangePrintsThePagesChosen_data();
    void aPageRangePrintsThePagesChosen();
    void printSystemSuccessesAreTakenAsSuch_data();
    void printSystemSuccessesAreTakenAsSuch();

private:
    std::optional<testing::Hooks> hooks_;  // the stand-ins for one test
    std::vector<Document> ended_;
    std::vector<int> modes_;
    QStringList notices_;
    QTemporaryDir folder_;
    std::vector<PrintJob> jobs_;
    // What the fake print system holds and answers.
    Printers printers_;
    QPageSize printerPaper_;
    JobAnswer answer_;
};

void TestPrint::init() {
    ended_.clear();
    modes_.clear();
    notices_.clear();
    QDir(folder_.filePath("Reports")).removeRecursively();
    jobs_.clear();
    hooks_.emplace()
        .setEndDocHandler([this](const Document& document, int mode) {
            ended_.push_back(document);
            modes_.push_back(mode);
        })
        .setNoticeHandler([this](const std::string& caption, const std::string& text) {
            notices_ << QString::fromStdString(caption + "|" + text);
        })
        .ignorePrinters()
        .setReportsFolder(folder_.filePath("Reports/").toStdString())
        .setPrintSystem({[this] { return printers_; },
                         [this](const std::string&) { return printerPaper_; },
                         [this](const PrintJob& job) {
                             jobs_.push_back(job);
                             return answer_;
                         },
                         [](QWidget*, const Document&) {
                             return PrintChoice{"office", {}, {}, {}, {}};
                         }});
}

void TestPrint::cleanup() {
    hooks_.reset();
}

void TestPrint::startDocHandsOutNumbersUntilTooManyAreOpen() {
    std::vector<int> open;
    for (int i = 0; i < MAX_OPEN_DOCUMENTS; ++i) open.push_back(StartDoc());
    for (int doc : open) QVERIFY(doc >= 1);
    QCOMPARE(std::set<int>(open.begin(), open.end()).size(), open.size());
    QCOMPARE(StartDoc(), 0);

    QCOMPARE(dpEndDoc(open[3], END_PRINT), 1);
    QCOMPARE(modes_, std::vector<int>{END_PRINT});
    const int reopened = StartDoc();
    QCOMPARE(reopened, open[3]);
    open[3] = reopened;
    for (int doc : open) dpEndDoc(doc, END_PREVIEW);
}

void TestPrint::callsOnAnEndedDocumentDoNothing() {
    const int doc = StartDoc();
    QCOMPARE(dpEndDoc(doc, END_PREVIEW), 1);
    QCOMPARE(dpNewPage(doc, 1, 0, 7), 0);
    QCOMPARE(dpFont(doc, 16, 10, 0, "Arial"), 0);
    QCOMPARE(dpText(doc, 1, 1, 0, "late"), 0);
    QCOMPARE(dpWrapText(doc, 0.5f, 1, 8, 10.2f, SPACING, "late"), 0);
    QCOMPARE(dpLine(doc, 0, 0, 1, 1, 1, 0), 0);
    QCOMPARE(dpPageNo(doc, 1, 1, 0, 0), 0);
    QCOMPARE(dpPageCount(doc, 1, 1, 0, 0), 0);
    QCOMPARE(dpEndDoc(doc, END_PREVIEW), 0);
    QCOMPARE(dpText(0, 1, 1, 0, "none"), 0);
    QCOMPARE(dpText(MAX_OPEN_DOCUMENTS + 1, 1, 1, 0, "none"), 0);
    QCOMPARE(ended_.size(), std::size_t{1});
    QVERIFY(ended_[0].pages[0].items.empty());
}

void TestPrint::pageNumbersAndCountsAreFilledInAtTheEnd() {
    const Document document = SampleDocument(ended_);
    QCOMPARE(modes_, std::vector<int>{END_PREVIEW});
    QCOMPARE(document.title, std::string("Vendrix 2.05"));
    QCOMPARE(document.pages.size(), std::size_t{3});
    QCOMPARE(LastDocument()->pages.size(), std::size_t{3});
    for (std::size_t p = 0; p < document.pages.size(); ++p) {
        const Page& page = document.pages[p];
        QCOMPARE(Texts(page, ItemKind::PageNumber), QStringList{QString::number(p + 1)});
        QCOMPARE(Texts(page, ItemKind::PageCount), QStringList{"3"});
        for (const Item& item : page.items) {
            if (item.kind != ItemKind::PageCount) continue;
            // Right-aligned: its right end stays at x whatever the count's width.
            const FontChoice& font = document.fonts[item.font];
            QCOMPARE(font, (FontChoice{STYLE_LABEL, 9, "Arial"}));
            QVERIFY(std::abs(item.x - item.left - TextWidthInches(font, item.text)) < 1e-4);
        }
    }
}

void TestPrint::textsKeepTheirFontAndAlignment() {
    const Document document = SampleDocument(ended_);
    const Page& page = document.pages[1];
    struct Expected {
        std::string text;
        FontChoice font;
        int align;
        float x;
        float y;
    };
    const std::vector<Expected> expected{
        {"Vendrix 2.05", {STYLE_TITLE, 13, "Arial"}, ALIGN_LEFT, 0.5f, 0.5f},
        {"Page", {STYLE_LABEL, 9, "Arial"}, ALIGN_RIGHT, 7.32f, 0.5f},
        {"Confidential client information", {STYLE_LABEL, 7, "Arial"}, ALIGN_LEFT, 0.5f, 0.65f},
        {"Client:", {STYLE_LABEL, 10, "Arial"}, ALIGN_RIGHT, 0.9f, 1.0f},
        {"Müller & Söhne", {STYLE_VALUE, 10, "Arial"}, ALIGN_LEFT, 0.95f, 1.0f},
    };
    for (const Expected& want : expected) {
        const auto item = std::find_if(page.items.begin(), page.items.end(),
                                       [&](const Item& i) { return i.text == want.text; });
        QVERIFY2(item != page.items.end(), want.text.c_str());
        QCOMPARE(document.fonts[item->font], want.font);
        QCOMPARE(int{item->align}, want.align);
        QCOMPARE(item->x, want.x);
        QCOMPARE(item->y, want.y);
        const double width = TextWidthInches(want.font, want.text);
        QVERIFY(width > 0.1);
        const float left = want.align == ALIGN_RIGHT ? static_cast<float>(want.x - width) : want.x;
        QVERIFY(std::abs(item->left - left) < 1e-4);
    }
    const auto rule = std::find_if(page.items.begin(), page.items.end(),
                                   [](const Item& i) { return i.kind == ItemKind::Rule; });
    QVERIFY(rule != page.items.end());
    QCOMPARE(rule->x2, 8.0f);
    QCOMPARE(rule->width, 1.0f);
}

void TestPrint::styleCodesGiveThreeDistinctLooks_data() {
    QTest::addColumn<int>("style");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("italic");
    QTest::newRow("label style 16 is regular") << STYLE_LABEL << false << false;
    QTest::newRow("value style 17 is bold") << STYLE_VALUE << true << false;
    QTest::newRow("title style 19 is bold italic") << STYLE_TITLE << true << true;
}

void TestPrint::styleCodesGiveThreeDistinctLooks() {
    QFETCH(int, style);
    QFETCH(bool, bold);
    QFETCH(bool, italic);
    const QFontInfo info(FontFor(FontChoice{style, 10, "Arial"}));
    QCOMPARE(info.family(), QString("Liberation Sans"));
    QCOMPARE(info.bold(), bold);
    QCOMPARE(info.italic(), italic);
    QCOMPARE(info.pixelSize(), 200);
}

void TestPrint::wrapTextBreaksLines_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<double>("width");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("placed");

    const auto fitting = [](const char* sample) {
        return TextWidthInches(LABEL_FONT, sample) + 0.01;
    };
    QTest::newRow("a line breaks at the last blank that fits")
        << QByteArray("alpha beta gamma") << fitting("alpha beta") << 5
        << QStringList{"alpha beta", "gamma"} << 16;
    QTest::newRow("the blanks at a break are dropped")
        << QByteArray("alpha    beta") << fitting("alpha") << 5 << QStringList{"alpha", "beta"}
        << 13;
    QTest::newRow("CR LF, LF and CR each start one new line")
        << QByteArray("one\r\ntwo\nthree\rfour") << 7.5 << 5
        << QStringList{"one", "two", "three", "four"} << 19;
    QTest::newRow("an empty line keeps its row")
        << QByteArray("one\r\n\r\ntwo") << 7.5 << 5 << QStringList{"one", "", "two"} << 10;
    QTest::newRow("blanks before a line break do not leave an empty row")
        << QByteArray("alpha beta   \r\ngamma") << fitting("alpha beta") << 5
        << QStringList{"alpha beta", "gamma"} << 20;
    QTest::newRow("a word longer than the line is split between letters")
        << QByteArray("0123456789") << fitting("0123") << 5 << QStringList{"0123", "4567", "89"}
        << 10;
    QTest::newRow("a long word after a short one starts on the next line")
        << QByteArray("12 0123456789") << fitting("0123") << 5
        << QStringList{"12", "0123", "4567", "89"} << 13;
    QTest::newRow("leading blanks of a paragraph are kept")
        << QByteArray("  indented") << 7.5 << 5 << QStringList{"  indented"} << 10;
    QTest::newRow("the box's last row ends the call after the line break")
        << QByteArray("one\r\ntwo\r\nthree\r\nfour") << 7.5 << 2 << QStringList{"one", "two"} << 10;
    QTest::newRow("a full last row ends the call at the next word")
        << QByteArray("alpha beta gamma delta") << fitting("alpha beta") << 1
        << QStringList{"alpha beta"} << 11;
    QTest::newRow("letters of two bytes are never cut")
        << QByteArray("ÄÖÜäöü") << fitting("ÄÖ") << 1 << QStringList{"ÄÖ"} << 4;
    QTest::newRow("a combining accent stays with its letter")
        << QByteArray(
               "e\xCC\x81"
               "e\xCC\x81")
        << 0.001 << 5 << QStringList{"e\xCC\x81", "e\xCC\x81"} << 6;
    QTest::newRow("an empty text places nothing") << QByteArray() << 7.5 << 5 << QStringList{} << 0;
    // Kerning widens "r’" beyond the two letters' own advances.
    const auto guessed = [](const char* sample) {
        double inches = 0;
        for (const QChar c : QString::fromUtf8(sample)) {
            inches += TextWidthInches(LABEL_FONT, QString(c).toStdString());
        }
        return inches + 0.01;
    };
    QTest::newRow("a paragraph that kerning makes wider than its letters is measured")
        << QByteArray("r’r’r’r’ r’r’r’r’") << guessed("r’r’r’r’ r’r’r’r’") << 5
        << QStringList{"r’r’r’r’", "r’r’r’r’"} << 33;
}

void TestPrint::wrapTextBreaksLines() {
    QFETCH(QByteArray, text);
    QFETCH(double, width);
    QFETCH(int, rows);
    QFETCH(QStringList, lines);
    QFETCH(int, placed);

    const int doc = StartDoc();
    dpFont(doc, LABEL_FONT.style, LABEL_FONT.points, 0, LABEL_FONT.face);
    const float y1 = 1.0f;
    const float y2 = y1 + static_cast<float>(rows - 1) * SPACING;
    QCOMPARE(
        dpWrapText(doc, 0.5f, y1, static_cast<float>(0.5 + width), y2, SPACING, text.toStdString()),
        placed);
    dpEndDoc(doc, END_PREVIEW);
    QCOMPARE(Rows(ended_.back().pages[0], y1), lines);
}

void TestPrint::wrapTextAlwaysPlacesSomething_data() {
    QTest::addColumn<float>("x2");
    QTest::addColumn<float>("y1");
    QTest::addColumn<float>("y2");
    QTest::addColumn<float>("spacing");
    QTest::addColumn<int>("placed");
    QTest::newRow("a box narrower than one letter takes one letter a row")
        << 0.501f << 10.0f << 10.2f << SPACING << 3;
    QTest::newRow("a box whose top lies below its bottom takes one line")
        << 8.0f << 10.5f << 10.2f << SPACING << 14;
    QTest::newRow("a box with no room at all takes one letter")
        << 0.4f << 10.5f << 10.2f << SPACING << 2;
    QTest::newRow("a zero line spacing takes one line") << 8.0f << 1.0f << 10.2f << 0.0f << 14;
}

void TestPrint::wrapTextAlwaysPlacesSomething() {
    QFETCH(float, x2);
    QFETCH(float, y1);
    QFETCH(float, y2);
    QFETCH(float, spacing);
    QFETCH(int, placed);
    const int doc = StartDoc();
    QCOMPARE(dpWrapText(doc, 0.5f, y1, x2, y2, spacing, "Äbc Müller\r\nnext"), placed);
    dpEndDoc(doc, END_PREVIEW);
    QVERIFY(!ended_.back().pages[0].items.empty());
}

void TestPrint::wrapTextContinuesToTheEnd_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<float>("firstBaseLine");

    QByteArray prose;
    for (int i = 0; i < 400; ++i) {
        prose += "Called about the spring order, " + QByteArray::number(i) +
                 " crates; wants a quote by Friday.";
        prose += i % 7 == 0 ? "\r\n\r\n" : (i % 3 == 0 ? "\n" : " ");
    }
    QByteArray umlauts;
    for (int i = 0; i < 2500; ++i) umlauts += "Müller & Söhne ";
    QTest::newRow("prose with paragraphs") << prose << 1.25f;
    QTest::newRow("one word of 20000 letters") << QByteArray(20000, 'W') << 1.25f;
    QTest::newRow("two-byte letters throughout") << umlauts << 1.25f;
    QTest::newRow("nothing but line breaks") << QByteArray(3000, '\n') << 1.25f;
    QTest::newRow("blanks only") << QByteArray(5000, ' ') << 1.25f;
    QTest::newRow("every call starting below the box") << prose.left(3000) << 10.5f;
}

void TestPrint::wrapTextContinuesToTheEnd() {
    QFETCH(QByteArray, text);
    QFETCH(float, firstBaseLine);
    const std::string whole = text.toStdString();
    const int doc = StartDoc();
    std::size_t done = 0;
    int calls = 0;
    // Far more calls than pages needed would mean the text is not consumed.
    while (done < whole.size() && calls < 2000) {
        const int placed =
            dpWrapText(doc, 0.5f, firstBaseLine, 8.0f, 10.2f, SPACING, whole.substr(done));
        QVERIFY(placed > 0);
        done += static_cast<std::size_t>(placed);
        QVERIFY(done <= whole.size());
        QVERIFY(!SplitsUtf8(whole, done));
        dpNewPage(doc, 1, 0, 7);
        ++calls;
    }
    QCOMPARE(done, whole.size());
    dpEndDoc(doc, END_PREVIEW);
    const Document& document = ended_.back();
    for (const Page& page : document.pages) {
        for (const Item& item : page.items) {
            QVERIFY(item.y <= 10.2f + 1e-4f || item.y == firstBaseLine);
            // Each line fits the box, unless it is a single letter that cannot.
            if (QString::fromStdString(item.text).size() > 1) {
                QVERIFY(TextWidthInches(document.fonts[item.font], item.text) <= 7.5 + 1e-6);
            }
        }
    }
}

void TestPrint::pdfHoldsTheTextsWhereTheyWereSet() {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) QSKIP("pdftotext is missing");
    const Document document = SampleDocument(ended_);
    const QString path = folder_.filePath("sample.pdf");
    QVERIFY(WritePdf(document, path));

    QVERIFY(Run("pdfinfo", {path}).contains(QRegularExpression("Page size:\\s+612 x 792 pts")));
    const QStringList pages = Run("pdftotext", {path, "-"}).split('\f');
    QCOMPARE(pages.size(), 4);  // three pages and what follows the last form feed
    for (int p = 0; p < 3; ++p) {
        QVERIFY2(Simplified(pages[p]).contains(QString("Page %1 of 3").arg(p + 1)),
                 qPrintable(pages[p]));
    }
    QVERIFY(Simplified(pages[1]).contains("Client: Müller & Söhne"));

    // The words' boxes in points from the paper's edge: the title starts at 0.5 inch, the
    // page count ends at 8 inches.
    const QString boxes = Run("pdftotext", {"-bbox", "-f", "1", "-l", "1", path, "-"});
    struct Span {
        double xMin = -100;
        double xMax = -100;
    };
    const auto wordSpan = [&](const QString& word) {
        const QRegularExpression pattern(
            "xMin=\"([\\d.]+)\" yMin=\"[\\d.]+\" xMax=\"([\\d.]+)\"[^>]*>" + word + "<");
        const QRegularExpressionMatch match = pattern.match(boxes);
        return match.hasMatch() ? Span{match.captured(1).toDouble(), match.captured(2).toDouble()}
                                : Span{};
    };
    QVERIFY(std::abs(wordSpan("Vendrix").xMin - 36.0) < 1.5);
    QVERIFY(std::abs(wordSpan("3").xMax - 576.0) < 1.5);
}

void TestPrint::printingWithoutPrinterSavesPdfInReportsFolder_data() {
    QTest::addColumn<bool>("folderSet");
    QTest::newRow("a copy's reports go to the folder set beside its data") << true;
    QTest::newRow("an installed program's go to \"Vendrix 2 Reports\" among the documents")
        << false;
}

void TestPrint::printingWithoutPrinterSavesPdfInReportsFolder() {
    QFETCH(bool, folderSet);
    hooks_->setEndDocHandler({}).setNow(testing::LocalTime(2026, 12, 7, 9, 5));
    QString reports = folder_.filePath("Reports");
    // The documents folder of a home of the test's own.
    const auto environment = {"HOME", "XDG_CONFIG_HOME"};
    std::vector<std::optional<QByteArray>> saved;
    for (const char* name : environment) {
        saved.push_back(qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name))
                                                        : std::nullopt);
    }
    const auto restore = qScopeGuard([&] {
        auto value = saved.begin();
        for (const char* name : environment) {
            if (*value) {
                qputenv(name, **value);
            } else {
                qunsetenv(name);
            }
            ++value;
        }
    });
    if (!folderSet) {
        qputenv("HOME", folder_.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", folder_.filePath("config").toLocal8Bit());
        hooks_->setReportsFolder("");
        reports = folder_.filePath("Documents/Vendrix 2 Reports");
        QDir(reports).removeRecursively();
    }
    const QStringList expected{reports + "/Report 2026-12-07 09-05-00.pdf",
                               reports + "/Report 2026-12-07 09-05-00 (2).pdf"};
    for (const QString& path : expected) {
        const int doc = StartDoc();
        dpText(doc, 0.5f, 1.0f, 0, "Müller & Söhne");
        QCOMPARE(dpEndDoc(doc, END_PRINT), 1);
        QVERIFY2(QFileInfo(path).size() > 0, qPrintable(path));
    }
    QCOMPARE(notices_.size(), 2);
    for (int i = 0; i < 2; ++i) {
        QVERIFY(notices_[i].startsWith("Vendrix 2.05|No printer is set up on this computer."));
        QVERIFY2(notices_[i].endsWith(":\n" + expected[i]), qPrintable(notices_[i]));
    }
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                      QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    QCOMPARE(QFileInfo(reports).permissions() & others, QFile::Permissions());
    if (!QStandardPaths::findExecutable("pdftotext").isEmpty()) {
        QVERIFY(Run("pdftotext", {expected[0], "-"}).contains("Müller & Söhne"));
    }
}

void TestPrint::pdfThatCannotBeSavedIsReported() {
    QFile blocker(folder_.filePath("not-a-folder"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    hooks_->setEndDocHandler({}).setReportsFolder(blocker.fileName().toStdString() + "/Reports/");
    const int doc = StartDoc();
    QCOMPARE(dpEndDoc(doc, END_PRINT), 0);
    QCOMPARE(notices_.size(), 1);
    QVERIFY2(notices_[0].contains("could not be saved as a PDF file"), qPrintable(notices_[0]));
    QVERIFY(notices_[0].endsWith("{!}"));
}

// Runs the action on the preview window as soon as it shows, then closes it; false when no
// preview showed.
bool WithPreview(int doc, const std::function<void(QWidget&)>& action) {
    bool shown = false;
    QTimer poll;
    int polls = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->objectName() != PREVIEW_WINDOW_NAME || !window->isVisible()) continue;
            shown = true;
            action(*window);
            window->close();
            return;
        }
        // A preview that never shows must not keep the test waiting.
        if (++polls > 500) poll.stop();
    });
    poll.start(10);
    const int delivered = dpEndDoc(doc, END_PREVIEW);
    poll.stop();
    return shown && delivered == 1;
}

void TestPrint::previewShowsEveryPageUnderTheTitle() {
    hooks_->setEndDocHandler({});
    const int doc = StartDoc();
    DrawHeader(doc, "stamp");
    dpNewPage(doc, 1, 0, 7);
    DrawHeader(doc, "stamp");

    QString caption;
    int pages = 0;
    QString pageCountText;
    QVERIFY(WithPreview(doc, [&](QWidget& window) {
        caption = window.windowTitle();
        pages = window.property("pageCount").toInt();
        if (auto* label = window.findChild<QLabel*>("previewPageCount")) {
            pageCountText = label->text().trimmed();
        }
    }));
    QCOMPARE(caption, QString("Vendrix 2.05 - Print Preview"));
    QCOMPARE(pages, 2);
    QCOMPARE(pageCountText, QString("of 2"));
}

void TestPrint::previewWalksThroughThePages_data() {
    QTest::addColumn<QStringList>("zoom");
    QTest::newRow("one page across the window") << QStringList{};
    QTest::newRow("zoomed far out, many pages in view")
        << QStringList{"Fit Page", "Zoom Out", "Zoom Out", "Zoom Out", "Zoom Out"};
}

void TestPrint::previewWalksThroughThePages() {
    QFETCH(QStringList, zoom);
    hooks_->setEndDocHandler({});
    const int doc = StartDoc();
    for (int page = 1; page <= 30; ++page) {
        if (page > 1) dpNewPage(doc, 1, 0, 7);
        DrawHeader(doc, "stamp");
    }
    std::vector<int> shown;
    QVERIFY(WithPreview(doc, [&](QWidget& window) {
        auto* number = window.findChild<QSpinBox*>("previewPageNumber");
        QVERIFY(number != nullptr);
        const auto trigger = [&](const QString& text) {
            for (QAction* action : window.findChild<QToolBar*>("previewTools")->actions()) {
                if (action->text().remove('&') == text) action->trigger();
            }
        };
        const auto press = [&](const QString& text) {
            trigger(text);
            shown.push_back(number->value());
        };
        for (const QString& step : zoom) trigger(step);
        shown.push_back(number->value());
        press("Next");
        press("Last");
        press("Previous");
        press("First");
        number->setValue(17);
        shown.push_back(number->value());
        press("Next");
        press("Last");
        press("Previous");
        press("Previous");
    }));
    QCOMPARE(shown, (std::vector<int>{1, 2, 30, 29, 1, 17, 18, 30, 29, 28}));
}

void TestPrint::wrapTextGivesTheSameRowsWhateverTheGuess_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<double>("width");
    QTest::newRow("prose with paragraphs, a wide box")
        << QByteArray(
               "Called about the reorder; wants the new price list.\r\nSpoke with "
               "the buyer about next quarter's volumes and pricing. Follow up Friday.")
        << 7.5;
    QTest::newRow("prose in a narrow box")
        << QByteArray("Spoke with the buyer about volumes.") << 0.9;
    QTest::newRow("a word longer than the box")
        << QByteArray("Supercalifragilisticexpialidocious and more") << 0.6;
    QTest::newRow("letters of two bytes and combining accents")
        << QByteArray("M\xC3\xBCller & S\xC3\xB6hne, e\xCC\x81t\xC3\xA9, \xC3\x84rger") << 0.8;
    QTest::newRow("tabs and blanks only") << QByteArray("\t \t   \t") << 0.2;
    QTest::newRow("a box narrower than one letter") << QByteArray("abc def") << 0.001;
}

void TestPrint::wrapTextGivesTheSameRowsWhateverTheGuess() {
    QFETCH(QByteArray, text);
    QFETCH(double, width);
    const QFontMetricsF metrics(FontFor(LABEL_FONT));
    const MeasureText measure = [&](std::string_view piece) {
        return metrics.horizontalAdvance(DisplayText(piece));
    };
    const double units = width * UNITS_PER_INCH;
    const Wrapped reference = WrapText(text.toStdString(), units, 50, measure);
    const std::vector<std::pair<const char*, GuessAdvance>> guesses{
        {"the letters' own advances",
         [&](char32_t c) { return metrics.horizontalAdvance(QString::fromUcs4(&c, 1)); }},
        {"far too narrow", [](char32_t) { return 0.01; }},
        {"far too wide", [](char32_t) { return 1e6; }},
        {"wrong by turns", [&](char32_t c) { return c % 2 != 0 ? 1.0 : 500.0; }},
    };
    for (const auto& [name, guess] : guesses) {
        const Wrapped guided = WrapText(text.toStdString(), units, 50, measure, guess);
        QVERIFY2(guided.consumed == reference.consumed, name);
        QVERIFY2(guided.lines.size() == reference.lines.size(), name);
        for (std::size_t row = 0; row < reference.lines.size(); ++row) {
            QVERIFY2(guided.lines[row].begin == reference.lines[row].begin, name);
            QVERIFY2(guided.lines[row].end == reference.lines[row].end, name);
        }
    }
}

void TestPrint::wrapTextTrustsGuessesOnlyWithinTheKerningSlack_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("slack");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<bool>("measured");
    const double none = std::numeric_limits<double>::infinity();
    QTest::newRow("a paragraph with room for the slack takes its row unmeasured")
        << "abcdefg" << 3.0 << QStringList{"abcdefg"} << false;
    QTest::newRow("a paragraph without room for the slack is measured")
        << "abcdefgh" << 3.0 << QStringList{"abcdefg", "h"} << true;
    QTest::newRow("a letter whose kerning is not known is measured")
        << "abcdeΩ" << 3.0 << QStringList{"abcde", "Ω"} << true;
    QTest::newRow("an infinite slack trusts no guess") << "ab" << none << QStringList{"ab"} << true;
}

// Letters 10 wide as guessed; kerning adds 3 between two of them, and 50 for an omega.
void TestPrint::wrapTextTrustsGuessesOnlyWithinTheKerningSlack() {
    QFETCH(QString, text);
    QFETCH(double, slack);
    QFETCH(QStringList, lines);
    QFETCH(bool, measured);
    bool anyMeasure = false;
    const MeasureText measure = [&](std::string_view piece) {
        anyMeasure = true;
        const QString shown = QString::fromUtf8(piece.data(), qsizetype(piece.size()));
        return 13.0 * double(shown.size()) - 3.0 + 50.0 * double(shown.count(QChar(0x3A9)));
    };
    const std::string utf8 = text.toStdString();
    const Wrapped wrapped = WrapText(
        utf8, 100, 5, measure, [](char32_t) { return 10.0; }, slack);
    QStringList placed;
    for (const LineSpan& line : wrapped.lines) {
        placed << QString::fromStdString(utf8.substr(line.begin, line.end - line.begin));
    }
    QCOMPARE(placed, lines);
    QCOMPARE(anyMeasure, measured);
}

// What the wrapping takes for granted of the report face: for any two characters a history
// can hold, kerning adds no more than the slack to their own advances.
void TestPrint::reportFaceKerningStaysWithinTheSlack() {
    QList<char32_t> known;
    for (char32_t c = 0x20; c < 0x100; ++c) {
        if (c != 0x7F && KerningKnown(c)) known << c;
    }
    for (char32_t c = 0x100; c < 0x2200; ++c) {
        if (KerningKnown(c)) known << c;
    }
    QCOMPARE(known.size(), 0x100 - 0x21 + 27);
    for (const int style : {STYLE_LABEL, STYLE_VALUE, STYLE_TITLE}) {
        const QFont font = FontFor({style, 10, "Arial"});
        QCOMPARE(QFontInfo(font).family(), QString(KNOWN_KERNING_FAMILY));
        const QFontMetricsF metrics(font);
        const double slack = KNOWN_KERNING_SLACK_EM * font.pixelSize();
        std::vector<double> advances;
        for (const char32_t c : known) {
            advances.push_back(metrics.horizontalAdvance(QString::fromUcs4(&c, 1)));
        }
        double widest = -slack;
        for (qsizetype a = 0; a < known.size(); ++a) {
            for (qsizetype b = 0; b < known.size(); ++b) {
                const char32_t pair[] = {known[a], known[b]};
                const double excess = metrics.horizontalAdvance(QString::fromUcs4(pair, 2)) -
                                      advances[std::size_t(a)] - advances[std::size_t(b)];
                widest = std::max(widest, excess);
            }
        }
        QVERIFY2(widest <= slack, qPrintable(QString::number(widest / font.pixelSize())));
    }
}

// The pages' width in points, from the PDF's first MediaBox.
int PdfPageWidth(const QByteArray& pdf) {
    const auto match =
        QRegularExpression("/MediaBox \\[0 0 ([\\d.]+)").match(QString::fromLatin1(pdf));
    return match.hasMatch() ? static_cast<int>(std::lround(match.captured(1).toDouble())) : 0;
}

QStringList KeptReports(const QTemporaryDir& folder) {
    return QDir(folder.filePath("Reports")).entryList({"*.pdf"}, QDir::Files);
}

void TestPrint::printSystemAnswerDecidesWhatTheUserIsTold_data() {
    QTest::addColumn<bool>("fromPreview");
    QTest::addColumn<int>("printers");
    QTest::addColumn<QString>("defaultPrinter");
    QTest::addColumn<QString>("systemError");
    QTest::addColumn<int>("jobId");
    QTest::addColumn<int>("jobsSent");
    QTest::addColumn<QString>("told");  // empty: nothing said and no PDF kept
    const QString refused =
        "The printer \"office\" did not take the report. The print system "
        "said: The printer or class is not currently accepting jobs. The "
        "report was saved as a PDF file:";
    QTest::newRow("a refused job is kept as a PDF and told once") << false << 1 << "office"
                                                                  << "" << 0 << 1 << refused;
    QTest::newRow("a refused job from the preview's Print is kept and told the same")
        << true << 1 << "office"
        << "" << 0 << 1 << refused;
    QTest::newRow("a queue that holds the job takes it: nothing said or kept")
        << false << 1 << "office"
        << "" << 7 << 1 << QString();
    QTest::newRow("a print system out of reach: what it said is told and the PDF kept")
        << false << 0 << ""
        << "Connection refused" << 7 << 0
        << "The print system could not be asked for its printers. Connection refused. "
           "The report was saved as a PDF file:";
    QTest::newRow("printers without a default: that is said and the PDF kept")
        << false << 2 << ""
        << "" << 7 << 0
        << "Printers are set up on this computer, but none of them is chosen as the default "
           "printer. The report was saved as a PDF file:";
}

void TestPrint::printSystemAnswerDecidesWhatTheUserIsTold() {
    QFETCH(bool, fromPreview);
    QFETCH(int, printers);
    QFETCH(QString, defaultPrinter);
    QFETCH(QString, systemError);
    QFETCH(int, jobId);
    QFETCH(int, jobsSent);
    QFETCH(QString, told);
    hooks_->setEndDocHandler({}).usePrinters();
    printers_ = {printers, defaultPrinter.toStdString(), systemError.toStdString()};
    answer_ = {jobId, jobId > 0 ? "" : "The printer or class is not currently accepting jobs."};
    const int doc = StartDoc();
    DrawHeader(doc, "stamp");
    if (fromPreview) {
        QVERIFY(WithPreview(doc, [](QWidget& window) {
            for (QAction* action : window.findChild<QToolBar*>("previewTools")->actions()) {
                if (action->text() == "&Print...") action->trigger();
            }
        }));
    } else {
        QCOMPARE(dpEndDoc(doc, END_PRINT), 1);
    }
    QCOMPARE(int(jobs_.size()), jobsSent);
    for (const PrintJob& job : jobs_) {
        QCOMPARE(job.printer, std::string("office"));
        QVERIFY(job.pdf.startsWith("%PDF"));
    }
    const QStringList kept = KeptReports(folder_);
    QCOMPARE(kept.size(), told.isEmpty() ? 0 : 1);
    QCOMPARE(notices_.size(), told.isEmpty() ? 0 : 1);
    if (!told.isEmpty()) QVERIFY2(notices_[0].contains(told + "\n"), qPrintable(notices_[0]));
}

void TestPrint::paperIsThePrintersElseTheLocales_data() {
    QTest::addColumn<QPageSize>("printerPaper");
    QTest::addColumn<int>("pointsWide");
    QTest::newRow("a printer with A4 gets A4") << QPageSize(QPageSize::A4) << 595;
    QTest::newRow("a printer with Letter gets Letter") << QPageSize(QPageSize::Letter) << 612;
    // The tests run in the C locale, whose paper is A4.
    QTest::newRow("a printer that names no paper gets the locale's")
        << QPageSize() << (LocalePaper().id() == QPageSize::A4 ? 595 : 612);
}

void TestPrint::paperIsThePrintersElseTheLocales() {
    QFETCH(QPageSize, printerPaper);
    QFETCH(int, pointsWide);
    hooks_->setEndDocHandler({}).usePrinters();
    printers_ = {1, "office", {}};
    printerPaper_ = printerPaper;
    answer_ = {3, {}};
    QCOMPARE(dpEndDoc(StartDoc(), END_PRINT), 1);
    QCOMPARE(jobs_.size(), std::size_t{1});
    QCOMPARE(PdfPageWidth(jobs_[0].pdf), pointsWide);
    QCOMPARE(PaperForSize(216, 279).id(), QPageSize::Letter);
    QCOMPARE(PaperForSize(210, 297).id(), QPageSize::A4);
}

void TestPrint::cancellingALongPrintSendsAndKeepsNothing_data() {
    QTest::addColumn<QString>("route");
    QTest::newRow("cancelled while made ready for the printer") << "printer";
    QTest::newRow("cancelled while kept as a PDF for want of a printer") << "no printer";
    QTest::newRow("cancelled while printed to a file from the preview") << "file";
}

// A print the user cancelled is neither sent, nor kept as a PDF, nor told of.
void TestPrint::cancellingALongPrintSendsAndKeepsNothing() {
    QFETCH(QString, route);
    hooks_->setEndDocHandler({});
    if (route == "printer") hooks_->usePrinters();
    printers_ = {1, "office", {}};
    answer_ = {3, {}};
    const QString chosenFile = folder_.filePath("Chosen.pdf");
    QFile::remove(chosenFile);
    if (route == "file") {
        hooks_->setPrintSystem({{}, {}, {}, [&chosenFile](QWidget*, const Document&) {
                                    return PrintChoice{{}, chosenFile.toStdString(), {}, {}, {}};
                                }});
    }
    const int doc = StartDoc();
    for (int page = 1; page <= 2000; ++page) {
        if (page > 1) dpNewPage(doc, 1, 0, 7);
        DrawHeader(doc, "stamp");
    }
    bool cancelled = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* progress = qobject_cast<QProgressDialog*>(window);
            if (progress == nullptr || progress->objectName() != PROGRESS_WINDOW_NAME) continue;
            progress->cancel();
            cancelled = true;
        }
    });
    poll.start(0);
    if (route == "file") {
        QVERIFY(WithPreview(doc, [](QWidget& window) {
            for (QAction* action : window.findChild<QToolBar*>("previewTools")->actions()) {
                if (action->text() == "&Print...") action->trigger();
            }
        }));
    } else {
        QCOMPARE(dpEndDoc(doc, END_PRINT), 0);
    }
    poll.stop();
    QVERIFY(cancelled);
    QVERIFY(jobs_.empty());
    QVERIFY(notices_.isEmpty());
    QVERIFY(KeptReports(folder_).isEmpty());
    QVERIFY(!QFileInfo::exists(chosenFile));
}

void TestPrint::aPageRangePrintsThePagesChosen_data() {
    QTest::addColumn<int>("from");  // 0: every page
    QTest::addColumn<int>("to");
    QTest::addColumn<bool>("lastFirst");
    QTest::addColumn<QList<int>>("pages");  // 0 = the first of five
    QTest::newRow("no range prints every page") << 0 << 0 << false << QList<int>{0, 1, 2, 3, 4};
    QTest::newRow("pages 2 to 3 print the second and the third")
        << 2 << 3 << false << QList<int>{1, 2};
    QTest::newRow("page 1 to 1 prints the first alone") << 1 << 1 << false << QList<int>{0};
    QTest::newRow("a range past the end stops at the last page")
        << 4 << 9 << false << QList<int>{3, 4};
    QTest::newRow("last page first turns the range round") << 2 << 4 << true << QList<int>{3, 2, 1};
}

void TestPrint::aPageRangePrintsThePagesChosen() {
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(bool, lastFirst);
    QFETCH(QList<int>, pages);
    QPrinter printer;
    printer.setPrintRange(from > 0 ? QPrinter::PageRange : QPrinter::AllPages);
    printer.setFromTo(from, to);
    printer.setPageOrder(lastFirst ? QPrinter::LastPageFirst : QPrinter::FirstPageFirst);
    QList<int> chosen;
    for (const std::size_t page : cups::ChosenPages(printer, 5)) chosen << int(page);
    QCOMPARE(chosen, pages);
}

void TestPrint::printSystemSuccessesAreTakenAsSuch_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("succeeded");
    QTest::newRow("successful-ok") << int(IPP_STATUS_OK) << true;
    QTest::newRow("successful-ok-ignored-or-substituted-attributes")
        << int(IPP_STATUS_OK_IGNORED_OR_SUBSTITUTED) << true;
    QTest::newRow("successful-ok-conflicting-attributes") << int(IPP_STATUS_OK_CONFLICTING) << true;
    QTest::newRow("successful-ok-events-complete") << int(IPP_STATUS_OK_EVENTS_COMPLETE) << true;
    QTest::newRow("client-error-not-found fails") << int(IPP_STATUS_ERROR_NOT_FOUND) << false;
    QTest::newRow("server-error-service-unavailable fails")
        << int(IPP_STATUS_ERROR_SERVICE_UNAVAILABLE) << false;
    QTest::newRow("the library's own invalid status fails")
        << int(IPP_STATUS_CUPS_INVALID) << false;
}

void TestPrint::printSystemSuccessesAreTakenAsSuch() {
    QFETCH(int, status);
    QFETCH(bool, succeeded);
    QCOMPARE(cups::Succeeded(static_cast<ipp_status_t>(status)), succeeded);
}

QTEST_MAIN(TestPrint)
#include "tst_print.moc"
