// The status bar's fields: the window's one status text on the left, and on
// the right the caret's line and column in the text view and the encoding of
// the object shown. The caret's field follows the text view by itself; menu
// hover tips never wipe the status text.
#pragma once

#include <QObject>
#include <QString>

class QLabel;
class QStatusBar;
class TObjectTextView;

class TStatusFields : public QObject {
    Q_OBJECT
public:
    // Adds the fields to Bar, the status bar of Window. Text outlives this object.
    TStatusFields(QWidget& Window, QStatusBar& Bar, const TObjectTextView& Text);

    QString Text() const;
    void SetText(const QString& Text);
    // Painted at once: a load gives the event loop no chance to paint.
    void SetTextNow(const QString& Text);
    // The encoding of the object shown; empty when none is.
    void SetEncoding(const QString& Caption);
    // The caret's place while the text view shows a text, else nothing.
    void UpdateCaret();

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    QWidget& FWindow;
    const TObjectTextView& FText;
    QLabel* FStatus;
    QLabel* FCaret;
    QLabel* FEncoding;
};
