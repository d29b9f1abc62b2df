// TStatusBar: the main window's status bar with two panels. Panel 1 (250
// wide) shows a text; panel 2 (50 wide) is drawn by its owner through the
// DrawPanel callback (the progress bar). The rest of the bar stays empty.
#pragma once

#include <QWidget>

#include <functional>

namespace lumeno::ui {

class TStatusBar : public QWidget {
    Q_OBJECT
  public:
    explicit TStatusBar(QWidget* parent = nullptr);

    static constexpr int kPanel1Width = 250;
    static constexpr int kPanel2Width = 50;

    void SetPanelText(const QString& text);
    QString PanelText() const { return Text; }
    // Inner rectangle of panel 2 (inside its bevel) in widget coordinates.
    QRect Panel2Rect() const;

    // Called from paintEvent to draw panel 2 with the painter and its rectangle.
    std::function<void(QPainter&, const QRect&)> DrawPanel;

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    QString Text;
};

} // namespace lumeno::ui
