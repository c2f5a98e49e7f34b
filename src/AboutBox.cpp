#include "AboutBox.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFont>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include <algorithm>
#include <memory>

namespace {

constexpr int ClientWidth = 340;
constexpr int ClientHeight = 256;
constexpr int LabelHeight = 13;

// A label of the dialog. It sizes itself to its text and keeps the edge it is
// aligned to: the left edge, or for right-aligned labels the right edge.
QLabel* AddLabel(QDialog& Window, int Left, int Top, int Width, Qt::Alignment Alignment,
                 const QString& Text)
{
    auto* Label = new QLabel(&Window);
    Label->setGeometry(Left, Top, Width, LabelHeight);
    Label->setAlignment(Alignment | Qt::AlignTop);
    Label->setText(Text);
    const QSize Fit = Label->sizeHint();
    const int NewLeft = Alignment & Qt::AlignRight ? Left + Width - Fit.width() : Left;
    Label->setGeometry(NewLeft, Top, Fit.width(), Fit.height());
    return Label;
}

// "#,### KB": kilobytes rounded to the nearest whole number, grouped by
// thousands with the user's separator.
QString KiloBytesText(std::uint64_t Bytes)
{
    const std::uint64_t KiloBytes = Bytes / 1024 + (Bytes % 1024 >= 512 ? 1 : 0);
    const QString Digits = KiloBytes == 0
        ? QString()
        : QString::fromStdString(platform::FormatThousands(KiloBytes, QLocale().groupSeparator().toStdString()));
    return Digits + QStringLiteral(" KB");
}

QFont DialogFont()
{
    QFont Font(QStringLiteral("Tahoma"), 8);
    // Where Tahoma is missing, faces of about its width, then whatever plain
    // sans-serif face the system has: the layout was drawn for Tahoma's width.
    Font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Nimbus Sans"), QStringLiteral("Helvetica")});
    Font.setStyleHint(QFont::SansSerif);
    return Font;
}

// Memory sizes now run to more digits than the layout was drawn for. Rather
// than let a caption run under its figure, narrow its letters just enough.
void KeepClearOf(QLabel& Caption, const QLabel& Figure)
{
    constexpr int Gap = 4;
    const int Room = Figure.x() - Gap - Caption.x();
    if (Caption.width() <= Room || Room <= 0)
        return;
    QFont Font = Caption.font();
    Font.setStretch(std::max(50, Room * 100 / Caption.width()));
    Caption.setFont(Font);
    Caption.resize(Caption.sizeHint());
}

void CentreOnScreen(QDialog& Window)
{
    const QScreen* Screen = QGuiApplication::primaryScreen();
    if (!Screen)
        return;
    Window.setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, Window.size(),
                                           Screen->availableGeometry()));
}

} // namespace

TAboutBox::TAboutBox(QObject* AOwner) : QObject(AOwner) {}

platform::TVersionData TAboutBox::VersionData() const
{
    // The path in the system's 8-bit encoding, as the version calls take it.
    return platform::GetVersionData(QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString());
}

platform::TMemoryStatus TAboutBox::MemoryStatus() const
{
    return platform::GetMemoryStatus();
}

bool TAboutBox::Execute()
{
    const platform::TVersionData Version = VersionData();
    const QString ProductName = QString::fromStdString(Version.ProductName);

    // A fresh window at every call, released as soon as it has closed.
    auto Window = std::make_unique<QDialog>(
        nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                     Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    Window->setObjectName(QStringLiteral("AboutBox"));
    Window->setWindowTitle(tr("About %1").arg(ProductName));
    Window->setFont(DialogFont());
    Window->setFixedSize(ClientWidth, ClientHeight);
    CentreOnScreen(*Window);

    AddLabel(*Window, 76, 16, 83, Qt::AlignLeft, ProductName)->setObjectName(QStringLiteral("lblProductName"));
    AddLabel(*Window, 76, 32, 90, Qt::AlignLeft, tr("Version %1").arg(QString::fromStdString(Version.FileVersion)))
        ->setObjectName(QStringLiteral("lblVersion"));
    AddLabel(*Window, 76, 48, 99, Qt::AlignLeft, QString::fromStdString(Version.LegalCopyright))
        ->setObjectName(QStringLiteral("lblCopyright"));
    QLabel* PhysMemCaption =
        AddLabel(*Window, 76, 168, 187, Qt::AlignLeft, tr("Physical memory available to Windows:"));
    PhysMemCaption->setObjectName(QStringLiteral("lblPhysMemCaption"));
    const platform::TMemoryStatus Memory = MemoryStatus();
    QLabel* PhysMem = AddLabel(*Window, 264, 168, 64, Qt::AlignRight, KiloBytesText(Memory.TotalPhys));
    PhysMem->setObjectName(QStringLiteral("lblPhysMem"));
    KeepClearOf(*PhysMemCaption, *PhysMem);
    QLabel* FreeCaption = AddLabel(*Window, 76, 190, 187, Qt::AlignLeft, tr("System resources:"));
    FreeCaption->setObjectName(QStringLiteral("lblFreeCaption"));
    const unsigned FreeShare = 100 - std::min<std::uint32_t>(Memory.MemoryLoad, 100);
    QLabel* Free = AddLabel(*Window, 264, 190, 64, Qt::AlignRight, tr("%1% Free").arg(FreeShare));
    Free->setObjectName(QStringLiteral("lblFree"));
    KeepClearOf(*FreeCaption, *Free);

    // The bevel: one line along its top edge, above the memory figures.
    auto* Bevel = new QFrame(Window.get());
    Bevel->setObjectName(QStringLiteral("bvlMemory"));
    Bevel->setFrameShape(QFrame::HLine);
    Bevel->setFrameShadow(QFrame::Sunken);
    Bevel->setGeometry(76, 156, 253, 2);

    auto* Image = new QLabel(Window.get());
    Image->setObjectName(QStringLiteral("imgIcon"));
    Image->setGeometry(20, 16, 32, 32);
    const QIcon Icon = QApplication::windowIcon();
    if (!Icon.isNull())
        Image->setPixmap(Icon.pixmap(32, 32));

    auto* OkButton = new QPushButton(tr("OK"), Window.get());
    OkButton->setObjectName(QStringLiteral("btnOK"));
    OkButton->setGeometry(252, 220, 77, 25);
    OkButton->setDefault(true);
    connect(OkButton, &QPushButton::clicked, Window.get(), &QDialog::accept);
    // The only control that takes the focus, so it is first in the tab order;
    // Esc reaches QDialog::reject, the dialog's cancel.
    OkButton->setFocus();

    Window->exec();
    return true;
}
