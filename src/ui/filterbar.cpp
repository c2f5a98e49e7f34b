#include "ui/filterbar.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

QString FieldCaption(TFilterField Field)
{
    const std::string_view Name = FilterFieldName(Field);
    return QString::fromLatin1(Name.data(), static_cast<qsizetype>(Name.size()));
}

}  // namespace

TFilterBar::TFilterBar(QMainWindow& Window)
    : QToolBar(TFilterBar::tr("Filter"), &Window), FShowAction(new QAction(tr("F&ilter"), this))
{
    setObjectName(QStringLiteral("tbrFilter"));
    setMovable(false);
    setFloatable(false);
    // One widget the width of the bar, its fields sharing it: a toolbar would
    // move fields that do not fit into an overflow menu.
    auto* Fields = new QWidget(this);
    auto* Row = new QHBoxLayout(Fields);
    Row->setContentsMargins(0, 0, 0, 0);
    Row->setSpacing(2);
    for (int Index = 0; Index < FilterFieldCount; ++Index) {
        const auto Field = static_cast<TFilterField>(Index);
        auto* Cell = new QWidget(Fields);
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
        Layout->addWidget(Edit);
        Layout->addWidget(Error);
        Layout->addStretch();
        Error->setWordWrap(true);
        FEdits[std::size_t(Index)] = Edit;
        FErrors[std::size_t(Index)] = Error;
        FFields[std::size_t(Index)] = Cell;
        Row->addWidget(Cell, Field == TFilterField::Name || Field == TFilterField::VersionList ? 2 : 1);
        connect(Edit, &QLineEdit::textEdited, this, [this] { FTyping.start(); });
        connect(Edit, &QLineEdit::returnPressed, this, &TFilterBar::Compile);
        // The clear button changes the text without an edit.
        connect(Edit, &QLineEdit::textChanged, this, [this, Edit](const QString& Text) {
            if (Text.isEmpty() && !Edit->isModified())
                FTyping.start();
        });
    }
    addWidget(Fields);
    for (const TFilterField Field : {TFilterField::Modified, TFilterField::Date, TFilterField::Time})
        SetFieldShown(Field, false);
    // A pause in typing, not every key, filters 20,000 objects again.
    FTyping.setSingleShot(true);
    FTyping.setInterval(250);
    connect(&FTyping, &QTimer::timeout, this, &TFilterBar::Compile);

    FShowAction->setObjectName(QStringLiteral("actViewFilter"));
    FShowAction->setCheckable(true);
    FShowAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    connect(FShowAction, &QAction::toggled, this, [this](bool Show) {
        setVisible(Show);
        if (Show)
            FEdits.front()->setFocus();
        else
            Clear();
    });
    Window.addToolBar(Qt::TopToolBarArea, this);
    hide();
}

void TFilterBar::SetEncoding(std::optional<codepages::TEncoding> Encoding)
{
    if (Encoding == FEncoding)
        return;
    FEncoding = Encoding;
    Compile();
}

void TFilterBar::SetFieldShown(TFilterField Field, bool Shown)
{
    FFields[std::size_t(Field)]->setVisible(Shown);
    // A hidden field filters nothing.
    if (!Shown && !FEdits[std::size_t(Field)]->text().isEmpty()) {
        FEdits[std::size_t(Field)]->clear();
        Compile();
    }
}

void TFilterBar::Clear()
{
    bool Any = false;
    for (QLineEdit* Edit : FEdits) {
        Any = Any || !Edit->text().isEmpty();
        Edit->clear();
    }
    if (Any)
        Compile();
}

void TFilterBar::Compile()
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
    }
    emit Changed();
}
