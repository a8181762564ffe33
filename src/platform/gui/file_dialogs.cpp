#include <QFileDialog>
#include <QStringList>

#include <algorithm>
#include <utility>

#include "platform/gui/form_window.h"
#include "platform/gui/layer.h"

namespace gui {

namespace {

FileChooser& InstalledChooser() {
    static FileChooser chooser;
    return chooser;
}

FileChoice AskTheUser(const FileRequest& request) {
    const layer::Form* owner = layer::FindForm(request.owner);
    QWidget* parent = owner ? owner->window.data() : nullptr;
    QStringList filters;
    for (const std::string& filter : request.filters) filters.append(layer::ToQ(filter));
    QString chosenFilter = filters.isEmpty() ? QString() : filters.front();
    const QString caption = layer::ToQ(request.caption);
    const QString start = layer::ToQ(request.start);
    const QString joined = filters.join(QStringLiteral(";;"));
    const QString path =
        request.forWriting
            ? QFileDialog::getSaveFileName(parent, caption, start, joined, &chosenFilter)
            : QFileDialog::getOpenFileName(parent, caption, start, joined, &chosenFilter);
    return {layer::FromQ(path), std::max(0, static_cast<int>(filters.indexOf(chosenFilter)))};
}

}  // namespace

FileChoice ChooseFile(const FileRequest& request) {
    return InstalledChooser() ? InstalledChooser()(request) : AskTheUser(request);
}

void SetFileChooser(FileChooser chooser) {
    InstalledChooser() = std::move(chooser);
}

}  // namespace gui
