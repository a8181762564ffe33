#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QShortcut>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QWindow>

#include "platform/gui/layer.h"

namespace gui {
namespace layer {

namespace {

constexpr double HelpColumns = 78;
constexpr double HelpRows = 34;

struct HelpState {
    QPointer<QWidget> window;
    QPointer<QTextBrowser> browser;
    QString topic;
};

HelpState& Help() {
    static HelpState state;
    return state;
}

QStringList AnchorsOf(const QString& html) {
    static const QRegularExpression anchor(
        QStringLiteral(R"re(<a\s[^>]*(?:name|id)\s*=\s*"([^"]+)")re"),
        QRegularExpression::CaseInsensitiveOption);
    QStringList names;
    for (auto it = anchor.globalMatch(html); it.hasNext();) names << it.next().captured(1);
    return names;
}

void MakeHelpWindow() {
    HelpState& help = Help();
    auto* window = new QWidget(nullptr, Qt::Window);
    window->setObjectName(QStringLiteral("HelpWindow"));
    window->setWindowTitle(QStringLiteral("Vendrix 2 Help"));
    window->setAttribute(Qt::WA_DeleteOnClose);
    // The help window never keeps the program running once its windows are gone.
    window->setAttribute(Qt::WA_QuitOnClose, false);
    window->setFont(FontFor(MainFontNumber));
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* browser = new QTextBrowser(window);
    browser->setObjectName(QStringLiteral("HelpText"));
    browser->setOpenLinks(true);
    browser->setOpenExternalLinks(false);
    browser->document()->setDocumentMargin(10);
    browser->setAccessibleName(QStringLiteral("Help topic"));
    layout->addWidget(browser);
    // Escape closes the help, as it closes the program's other added windows.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    QObject::connect(escape, &QShortcut::activated, window, &QWidget::close);
    window->resize(ToPixels(0, 0, HelpColumns, HelpRows).size());
    QObject::connect(browser, &QTextBrowser::sourceChanged, browser,
                     [](const QUrl& url) { Help().topic = url.fragment(QUrl::FullyDecoded); });
    help.window = window;
    help.browser = browser;
}

// Why the help file could not be read, as a clause for the message; "" when it can be read.
QString HelpFileFault(const QString& path, QFile& file) {
    const QFileInfo info(path);
    if (!info.exists()) return QStringLiteral("could not be found");
    if (info.isDir()) return QStringLiteral("could not be opened: it is a folder, not a file");
    if (!file.open(QIODevice::ReadOnly)) {
        return QStringLiteral("could not be opened: %1").arg(file.errorString());
    }
    return {};
}

}  // namespace

void CloseHelpWindow() {
    if (Help().window) Help().window->close();
    Help().topic.clear();
}

}  // namespace layer

int EZ_WINHELP(const std::string& form, const std::string& helpFile, const std::string& keyword,
               const std::string& command) {
    const QString kind = layer::ToQ(command).toUpper();
    if (kind.startsWith(QLatin1Char('Q'))) {
        layer::CloseHelpWindow();
        return 1;
    }
    if (!qApp) return 0;
    const QString path = layer::ToQ(helpFile);
    QFile file(path);
    const QString fault = layer::HelpFileFault(path, file);
    if (!fault.isEmpty()) {
        // A help request that shows nothing would look like a dead button.
        const QString text =
            QStringLiteral("The help file \"%1\" %2.{!}")
                .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()), fault);
        EZ_MSGBOX(form, layer::FromQ(text), "Help Not Found", "OK");
        return 0;
    }
    const QStringList anchors = layer::AnchorsOf(QString::fromUtf8(file.readAll()));

    // An unknown keyword opens the help at its contents, as an index would.
    QString topic = layer::ToQ(keyword);
    if (!anchors.contains(topic))
        topic =
            anchors.contains(QStringLiteral("Contents")) ? QStringLiteral("Contents") : QString();

    layer::HelpState& help = layer::Help();
    if (!help.window) layer::MakeHelpWindow();
    QUrl url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    if (!topic.isEmpty()) url.setFragment(topic);
    help.browser->setSource(url, QTextDocument::HtmlResource);
    if (!topic.isEmpty()) help.browser->scrollToAnchor(topic);
    help.topic = topic;

    // Standing above the asking window keeps the help usable while that window is modal.
    if (layer::Form* asking = layer::FindForm(form)) {
        asking->window->winId();
        help.window->winId();
        help.window->windowHandle()->setTransientParent(asking->window->windowHandle());
    }
    if (!QApplication::windowIcon().isNull())
        help.window->setWindowIcon(QApplication::windowIcon());
    if (help.window->isVisible()) help.window->raise();
    help.window->show();
    help.window->setAttribute(Qt::WA_KeyboardFocusChange);  // the focus shows from the start
    help.window->activateWindow();
    return 1;
}

std::string HelpTopicShown() {
    const layer::HelpState& help = layer::Help();
    if (!help.window || !help.window->isVisible()) return {};
    return layer::FromQ(help.topic);
}

}  // namespace gui
