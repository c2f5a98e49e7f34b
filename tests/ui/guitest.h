// Helpers shared by the window's tests: files in a temporary folder, error
// messages caught instead of shown, and a window with its own settings file.
#pragma once

#include "ui/common/errorbox.h"
#include "ui/window/mainform.h"
#include "ui/views/objecttextview.h"
#include "platform/filestream.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <string>

// Collects what the default error handler would show, for as long as it lives.
class TErrorCapture {
public:
    TErrorCapture()
        : FPrevious(gui::SetErrorSink([this](const QString& Title, const QString& Text) {
              Titles << Title;
              Messages << Text;
              if (OnError)
                  OnError(Text);
          }))
    {
    }
    ~TErrorCapture() { gui::SetErrorSink(std::move(FPrevious)); }
    TErrorCapture(const TErrorCapture&) = delete;
    TErrorCapture& operator=(const TErrorCapture&) = delete;

    QStringList Titles;
    QStringList Messages;
    std::function<void(const QString&)> OnError;

private:
    gui::TErrorSink FPrevious;
};

// A temporary folder to put files in.
class TTestFolder {
public:
    TTestFolder() { QVERIFY2(FDir.isValid(), "no temporary folder"); }

    QString Path(const QString& Name) const { return FDir.filePath(Name); }
    QString Root() const { return FDir.path(); }

    QString Write(const QString& Name, const std::string& Bytes) const
    {
        const QString FileName = Path(Name);
        QFile File(FileName);
        if (!File.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write %s", qPrintable(FileName));
        File.write(Bytes.data(), static_cast<qint64>(Bytes.size()));
        return FileName;
    }

    std::string Read(const QString& Name) const
    {
        QFile File(Path(Name));
        if (!File.open(QIODevice::ReadOnly))
            return {};
        return File.readAll().toStdString();
    }

    // A settings file the window wrote, its line breaks ("\r\n" on Windows) read as '\n'.
    std::string ReadSettings(const QString& Name) const
    {
        std::string Text = Read(Name);
#ifdef _WIN32
        for (std::size_t At = Text.find("\r\n"); At != std::string::npos; At = Text.find("\r\n", At))
            Text.erase(At, 1);
#endif
        return Text;
    }

    bool Exists(const QString& Name) const { return QFile::exists(Path(Name)); }

private:
    QTemporaryDir FDir;
};

// One object's text: its object line and a few lines of body, CR LF breaks.
inline std::string ObjectText(const std::string& Header, const std::string& Body = "  PROPERTIES\r\n  {\r\n  }\r\n")
{
    return "OBJECT " + Header + "\r\n{\r\n" + Body + "}\r\n";
}

// The usual test file: five objects of several kinds.
inline std::string FiveObjects()
{
    return ObjectText("Table 18 Customer") + ObjectText("Form 21 Customer Card") +
           ObjectText("Codeunit 80 Sales-Post") + ObjectText("table 3 Payment Terms") +
           ObjectText("Codeunit 81 Sales-Post (Yes/No)");
}

inline std::unique_ptr<TfrmMain> MakeWindow(const TTestFolder& Folder, const QStringList& Arguments = {})
{
    return std::make_unique<TfrmMain>(Arguments, Folder.Path(QStringLiteral("quib.zup")));
}

// True when another holder keeps the file (the window holds a loaded file).
inline bool HeldElsewhere(const QString& FileName)
{
    try {
        platform::TFileStream::OpenExclusiveRead(QFile::encodeName(FileName).toStdString());
        return false;
    } catch (const platform::EFOpenError&) {
        return true;
    }
}

template <typename T>
T* Component(QWidget& Window, const char* Name)
{
    T* Found = Window.findChild<T*>(QString::fromLatin1(Name));
    if (!Found)
        qFatal("no component %s", Name);
    return Found;
}

// The window's three views.
struct TViews {
    TObjectTreeView* Tree;
    TObjectListView* List;
    TObjectTextView* Text;
};
inline TViews Views(TfrmMain& Window)
{
    return {Component<TObjectTreeView>(Window, "tvwMain"), Component<TObjectListView>(Window, "lvwMain"),
            Component<TObjectTextView>(Window, "memMain")};
}

// Lets the tree's delayed change report run.
inline void WaitForChangeReport()
{
    const bool Reported = QTest::qWaitFor([] {
        for (QWidget* Widget : QApplication::allWidgets())
            if (auto* Tree = qobject_cast<TObjectTreeView*>(Widget); Tree && Tree->ChangePending())
                return false;
        return true;
    });
    if (!Reported)
        qWarning("the tree's change report did not come");
}
