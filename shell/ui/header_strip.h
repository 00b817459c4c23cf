#pragma once
// The strip above the day list: the view's resource code at the left and the list's date in a
// white box in the middle. It only draws what the main window tells it.

#include <QFont>
#include <QString>
#include <QWidget>

class HeaderStrip final : public QWidget {
 public:
  explicit HeaderStrip(QWidget* parent = nullptr);

  // The view code (four characters: the operatory or provider of the view, blanks for all) and
  // the date as long text.
  void setView(const QString& code);
  void setDate(const QString& text);
  void setHeadingFont(const QFont& font);

  const QString& viewText() const { return view_; }
  const QString& dateText() const { return date_; }
  // Where the date box is drawn, in the strip's coordinates.
  QRect dateBox() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString view_;
  QString date_;
  QFont font_;
};
