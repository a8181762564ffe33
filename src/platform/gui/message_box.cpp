#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <array>
#include <utility>

#include "platform/gui/font_warm_up.h"
#include "platform/gui/layer.h"

namespace gui {
namespace layer {

namespace {

MessageBoxAnswerer& Answerer() {
    static MessageBoxAnswerer answerer;
    return answerer;
}

struct Marked {
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// A trailing "{?}", "{!}" or "{S}" picks the icon and is not shown.
Marked SplitMarker(const QString& text) {
    static const std::array<std::pair<const char*, QMessageBox::Icon>, 3> markers{{
        {"{?}", QMessageBox::Question},
        {"{!}", QMessageBox::Warning},
        {"{S}", QMessageBox::Critical},
    }};
    for (const auto& [marker, icon] : markers) {
        if (text.endsWith(QLatin1String(marker), Qt::CaseInsensitive)) {
            return Marked{text.left(text.size() - 3), icon};
        }
    }
    return Marked{text, QMessageBox::NoIcon};
}

// The window a box belongs to: its named owner, else the program's active window. Qt centres
// a box over the window it is given, wherever that window has been moved, and keeps it whole
// on that window's screen; a box given none would stand in the middle of the screen.
QWidget* OwnerWindow(const std::string& owner) {
    if (Form* form = FindForm(owner)) return form->window;
    QWidget* active = QApplication::activeWindow();
    return active && active->isVisible() ? active->window() : nullptr;
}

}  // namespace

}  // namespace layer

void SetMessageBoxAnswerer(MessageBoxAnswerer answerer) {
    layer::Answerer() = std::move(answerer);
}

int EZ_MSGBOX(const std::string& owner, const std::string& text, const std::string& caption,
              const std::string& buttons) {
    if (layer::Answerer())
        return layer::Answerer()(MessageBoxRequest{owner, text, caption, buttons});
    if (!qApp) return -1;
    layer::FinishFontWarmUp();

    const layer::Marked marked = layer::SplitMarker(layer::ToQ(text));
    // The box belongs to its owner: it stands above it, shares its font and is centred on it.
    QWidget* ownerWindow = layer::OwnerWindow(owner);
    QMessageBox box(marked.icon, layer::ToQ(caption), marked.text, QMessageBox::NoButton,
                    ownerWindow);
    box.setFont(ownerWindow ? ownerWindow->font() : layer::FontFor(layer::MainFontNumber));
    box.setTextFormat(Qt::PlainText);
    // A screen reader announces the box by its caption and reads the text with it.
    box.setAccessibleName(layer::ToQ(caption));
    box.setAccessibleDescription(marked.text);
    box.setWindowModality(Qt::ApplicationModal);

    const QString kind = layer::ToQ(buttons).toUpper();
    QPushButton* yes = nullptr;
    QPushButton* no = nullptr;
    QPushButton* cancel = nullptr;
    QPushButton* ok = nullptr;
    const bool noFirst = kind == QLatin1String("NY");
    if (kind.startsWith(QLatin1String("YN")) || noFirst) {
        yes = box.addButton(QApplication::translate("ez", "&Yes"), QMessageBox::YesRole);
        no = box.addButton(QApplication::translate("ez", "&No"), QMessageBox::NoRole);
        if (kind.contains(QLatin1Char('C'))) {
            cancel =
                box.addButton(QApplication::translate("ez", "Cancel"), QMessageBox::RejectRole);
        }
        // Enter takes Yes, unless Yes gives something up; Escape answers the most cautious
        // choice the box offers.
        box.setDefaultButton(noFirst ? no : yes);
        box.setEscapeButton(cancel ? cancel : no);
    } else {
        ok = box.addButton(QApplication::translate("ez", "OK"), QMessageBox::AcceptRole);
        box.setDefaultButton(ok);
        box.setEscapeButton(ok);
    }
    // The focused answer shows at once; showing the box would forget a mark set before.
    QTimer::singleShot(0, &box, [&box] {
        box.setAttribute(Qt::WA_KeyboardFocusChange);
        box.update();
    });
    box.exec();
    const QAbstractButton* answer = box.clickedButton();
    if (answer == nullptr) return cancel ? -1 : (no ? 0 : 1);
    if (answer == yes || answer == ok) return 1;
    if (answer == no) return 0;
    return -1;
}

}  // namespace gui
