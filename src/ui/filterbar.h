// The filter bar above the views (View > Filter, Ctrl+L; hidden at first):
// one field per object field in the syntax users know ("50000..59999|18",
// "*Sales*", "@*sales*", "<>Yes"), each with a short message under it when
// what is typed is malformed (that field then filters nothing). Hiding the
// bar clears it. The window shows what the filter lets through.
#pragma once

#include "core/objectfilter.h"

#include <QTimer>
#include <QToolBar>

#include <array>
#include <optional>

class QLabel;
class QLineEdit;
class QMainWindow;

class TFilterBar : public QToolBar {
    Q_OBJECT
public:
    // Adds itself to the top of Window, hidden.
    explicit TFilterBar(QMainWindow& Window);

    // View > Filter: shows and hides the bar.
    QAction* ShowAction() const { return FShowAction; }
    const TObjectFilter& Filter() const { return FFilter; }
    // The encoding what is typed is written in to compare with the file's
    // bytes, whose letters "@" folds too; none (Automatic): UTF-8, and "@"
    // folds A to Z.
    void SetEncoding(std::optional<codepages::TEncoding> Encoding);
    // The fields of the values the list shows; Type, ID, Name and Version
    // List always show.
    void SetFieldShown(TFilterField Field, bool Shown);
    // Empties every field.
    void Clear();

signals:
    // The filter is another now.
    void Changed();

private:
    void Compile();

    QAction* FShowAction;
    std::array<QLineEdit*, FilterFieldCount> FEdits{};
    std::array<QLabel*, FilterFieldCount> FErrors{};
    std::array<QWidget*, FilterFieldCount> FFields{};  // each field with its message
    TObjectFilter FFilter;
    std::optional<codepages::TEncoding> FEncoding;
    QTimer FTyping;
};
