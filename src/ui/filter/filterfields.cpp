#include "ui/filter/filterfields.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

QString FieldCaption(TFilterField Field)
{
    const std::string_view Name = FilterFieldName(Field);
    return QString::fromLatin1(Name.data(), static_cast<qsizetype>(Name.size()));
}

// A red frame around the field, in any palette; the message under it says why.
void MarkMalformed(QLineEdit& Edit, bool Malformed)
{
    Edit.setProperty("malformed", Malformed);
    Edit.setStyleSheet(Malformed ? QStringLiteral("QLineEdit { border: 2px solid #d02020; }") : QString());
}

} // namespace

TFilterFields::TFilterFields(QWidget* Parent) : QWidget(Parent)
{
    auto* Row = new QHBoxLayout(this);
    Row->setContentsMargins(0, 0, 0, 0);
    Row->setSpacing(2);
    for (int Index = 0; Index < FilterFieldCount; ++Index) {
        const auto Field = static_cast<TFilterField>(Index);
        auto* Cell = new QWidget(this);
        auto* Layout = new QVBoxLayout(Cell);
        Layout->setContentsMargins(2, 2, 2, 2);
        Layout->setSpacing(1);
        auto* Edit = new QLineEdit(Cell);
        Edit->setObjectName(QStringLiteral("edtFilter%1").arg(FieldCaption(Field).remove(QLatin1Char(' '))));
        Edit->setPlaceholderText(FieldCaption(Field));
        Edit->setClearButtonEnabled(true);
        Edit->setMinimumWidth(Edit->fontMetrics().averageCharWidth() * 6);
        auto* Error = new QLabel(Cell);
        QPalette Red = Error->palette();
        Red.setColor(QPalette::WindowText, QColor(200, 30, 30));
        Error->setPalette(Red);
        QFont Small = Error->font();
        Small.setPointSizeF(Small.pointSizeF() * 0.85);
        Error->setFont(Small);
        Error->hide();
        Error->setWordWrap(true);
        Layout->addWidget(Edit);
        Layout->addWidget(Error);
        Layout->addStretch();
        FEdits[std::size_t(Index)] = Edit;
        FErrors[std::size_t(Index)] = Error;
        FFields[std::size_t(Index)] = Cell;
        Row->addWidget(Cell, Field == TFilterField::Name || Field == TFilterField::VersionList ? 2 : 1);
        Cell->setVisible(Field != TFilterField::Modified && Field != TFilterField::Date && Field != TFilterField::Time);
        connect(Edit, &QLineEdit::textEdited, this, [this] { FTyping.start(); });
        connect(Edit, &QLineEdit::returnPressed, this, &TFilterFields::Compile);
        // The clear button changes the text without an edit.
        connect(Edit, &QLineEdit::textChanged, this, [this, Edit](const QString& Text) {
            if (Text.isEmpty() && !Edit->isModified())
                FTyping.start();
        });
    }
    // A pause in typing, not every key, filters 20,000 objects again.
    FTyping.setSingleShot(true);
    FTyping.setInterval(250);
    connect(&FTyping, &QTimer::timeout, this, &TFilterFields::Compile);
}

void TFilterFields::SetEncoding(std::optional<codepages::TEncoding> Encoding)
{
    if (Encoding == FEncoding)
        return;
    FEncoding = Encoding;
    Compile();
}

void TFilterFields::SetFieldShown(TFilterField Field, bool Shown)
{
    FFields[std::size_t(Field)]->setVisible(Shown);
    if (!Shown && !FEdits[std::size_t(Field)]->text().isEmpty()) {
        FEdits[std::size_t(Field)]->clear();
        Compile();
    }
}

void TFilterFields::Clear()
{
    bool Any = false;
    for (QLineEdit* Edit : FEdits) {
        Any = Any || !Edit->text().isEmpty();
        Edit->clear();
    }
    if (Any)
        Compile();
}

QStringList TFilterFields::Ignored() const
{
    QStringList Captions;
    for (int Index = 0; Index < FilterFieldCount; ++Index)
        if (FEdits[std::size_t(Index)]->property("malformed").toBool())
            Captions << FieldCaption(static_cast<TFilterField>(Index));
    return Captions;
}

void TFilterFields::FocusFirst()
{
    FEdits.front()->setFocus();
}

void TFilterFields::Compile()
{
    FTyping.stop();
    FFilter.Clear();
    const TFoldTable* Fold = FEncoding ? &codepages::FoldTable(*FEncoding) : nullptr;
    for (int Index = 0; Index < FilterFieldCount; ++Index) {
        const std::string Typed = FEdits[std::size_t(Index)]->text().toStdString();
        // A character the encoding cannot write matches nothing there: it
        // stays in UTF-8, which no byte of that encoding spells.
        const std::string Expression =
            FEncoding ? codepages::EncodeUtf8(Typed, *FEncoding).value_or(Typed) : Typed;
        const std::string& Error = FFilter.Set(static_cast<TFilterField>(Index), Expression, Fold);
        QLabel* Label = FErrors[std::size_t(Index)];
        Label->setText(QString::fromStdString(Error));
        Label->setVisible(!Error.empty());
        MarkMalformed(*FEdits[std::size_t(Index)], !Error.empty());
    }
    emit Changed();
}
