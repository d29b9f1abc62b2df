// TAboutBox: the program's "Info" box. Created by the main window's about button, shown
// modally (exec()) and destroyed when it closes.
#pragma once

#include "maker.h"

#include <QDialog>

#include <functional>
#include <string>

class QLabel;
class QPushButton;

namespace lumeno::ui {

class TAboutBox : public QDialog {
    Q_OBJECT
  public:
    // The maker's web page, opened by the web button (maker.h).
    static constexpr const char* kHomePage = ui::kHomePage;

    // Builds the box; the year placeholder of the copyright line becomes the current year.
    explicit TAboutBox(QWidget* parent = nullptr);

    // The copyright line as shown.
    QString CopyrightText() const;
    // True when the picture was decoded (a missing or broken picture leaves the place empty).
    bool HasPicture() const;

    // Opens a web address with the system's program; ShellOpenFile unless replaced (tests).
    std::function<void(const std::string&)> ShellOpen;

  private:
    void wwwBtnClick();

    QLabel* pictureLabel_ = nullptr;
    QLabel* copyrightLabel_ = nullptr;
};

} // namespace lumeno::ui
