// One field per object field in the syntax users know ("50000..59999|18",
// "*Sales*", "@*sales*", "<>Yes"), each with a short message under it when
// what is typed is malformed (that field then filters nothing). The filter
// bar above the main views holds them, and so does the compare window.
#pragma once

#include "core/objectfilter.h"

#include <QTimer>
#include <QWidget>

#include <array>
#include <optional>

class QLabel;
class QLineEdit;

class TFilterFields : public QWidget {
    Q_OBJECT
public:
    // Type, ID, Name and Version List show at first; the fields of values a
    // list shows only on request (Modified, Date, Time) are hidden.
    explicit TFilterFields(QWidget* Parent = nullptr);

    const TObjectFilter& Filter() const { return FFilter; }
    // The encoding what is typed is written in to compare with the file's
    // bytes, whose letters "@" folds too; none (Automatic): UTF-8, and "@"
    // folds A to Z.
    void SetEncoding(std::optional<codepages::TEncoding> Encoding);
    // A hidden field filters nothing.
    void SetFieldShown(TFilterField Field, bool Shown);
    // Empties every field.
    void Clear();
    void FocusFirst();
    // The captions of the fields whose text is malformed, which filter nothing.
    QStringList Ignored() const;

signals:
    // The filter is another now.
    void Changed();

private:
    void Compile();

    std::array<QLineEdit*, FilterFieldCount> FEdits{};
    std::array<QLabel*, FilterFieldCount> FErrors{};
    std::array<QWidget*, FilterFieldCount> FFields{}; // each field with its message
    TObjectFilter FFilter;
    std::optional<codepages::TEncoding> FEncoding;
    QTimer FTyping;
};
