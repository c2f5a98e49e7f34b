// The width of a splitter's first pane: the tree's width, as the settings
// file keeps it. Until the splitter has been laid out on screen its sizes are
// not the ones it will show, so a width set before then is held here. When
// the splitter is resized the pane keeps its width; the other takes the rest.
#pragma once

#include <QObject>

class QSplitter;

class TPaneWidth : public QObject {
    Q_OBJECT
public:
    explicit TPaneWidth(QSplitter& Splitter);

    // The other pane takes the rest, at least one pixel.
    void Set(int Width);
    int Width() const;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    QSplitter& FSplitter;
    int FPending = -1;  // the width set while the splitter was hidden
};
