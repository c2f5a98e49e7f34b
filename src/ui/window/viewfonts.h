// The fonts of the window's views as the settings file keeps them: the code
// font of the text view, and the list font, which the tree shares.
//
// A stored face this system lacks stays the font's first family, so it is
// stored again as it was; the view shows the system's font of the same style
// (fixed pitch for code) instead.
#pragma once

#include "ui/window/windowsettings.h"

#include <QFont>
#include <QString>

class QWidget;

class TViewFonts {
public:
    // The views outlive this object.
    TViewFonts(QWidget& Code, QWidget& List, QWidget& Tree) : FCode(Code), FList(List), FTree(Tree) {}

    // The face the settings file holds for Font, which may name a font this
    // system lacks.
    static QString StoredFace(const QFont& Font);
    // Font in the window's designed face and size, which the views start from.
    static QFont Designed(const QFont& Font);

    // The stored fonts on top of the views' current ones; the tree takes the list's.
    void Apply(const TFontSetting& Code, const TFontSetting& List);
    TFontSetting Code() const;
    TFontSetting List() const;

private:
    QWidget& FCode;
    QWidget& FList;
    QWidget& FTree;
};
