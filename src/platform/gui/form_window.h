#pragma once

#include <QWidget>

#include <string>

namespace gui::layer {

// A top-level window opened by name. Closing it raises the close event, which may refuse the
// close; once closed, the window leaves the registry and is destroyed.
class FormWindow : public QWidget {
public:
    explicit FormWindow(const std::string& name);

    const std::string& formName() const { return name_; }
    // Moves the keyboard focus to the next control, as Tab does.
    void moveFocusOn() { focusNextChild(); }
    // Closes without asking the program, for the end of the run.
    void closeWithoutAsking();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    bool isRegistered() const;
    void forgetSelf();

    std::string name_;
    bool asking_ = false;
    bool forced_ = false;
};

}  // namespace gui::layer
