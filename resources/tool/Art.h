#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QPainterPath>
#include <QString>

// The skin's palette and the drawing of every picture. One place for the
// colours keeps frame, buttons and icons of a piece.
namespace art {

namespace tone {
inline const QColor outline{0x2f, 0x6b, 0xb3};     // crisp outer edge of every frame
inline const QColor captionTop{0x86, 0xc0, 0xf2};  // caption gradient
inline const QColor captionBottom{0x55, 0x9b, 0xe3};
inline const QColor band{0x5a, 0x9e, 0xe4};  // side and bottom bands
inline const QColor bandDark{0x47, 0x8b, 0xd6};
inline const QColor captionRule{0x3f, 0x82, 0xcf};  // line under the caption
inline const QColor paper{0xf3, 0xf8, 0xfe};        // dialog background
inline const QColor headerTop{0xe8, 0xf3, 0xfe};    // main-window header band
inline const QColor headerBottom{0xd3, 0xe7, 0xfb};
inline const QColor rule{0xa6, 0xc8, 0xec};  // light separating lines
inline const QColor pane{0xe4, 0xef, 0xfb};  // left pane of option pages
inline const QColor ink{0x1d, 0x3b, 0x63};   // lettering on buttons
inline const QColor buttonBorder{0x6a, 0x9b, 0xd2};
inline const QColor hoverBorder{0x2f, 0x7c, 0xd6};
}  // namespace tone

// Every picture is drawn in logical pixels. At scale 2 (the "@2x" files for
// HiDPI screens) a canvas has twice the pixels each way and carries that
// device pixel ratio, so painters on it draw at the finer density by
// themselves; row and column fills below keep to whole logical pixels.
void setScale(int scale);
int scale();
QImage canvas(int w, int h, const QColor& fill = Qt::transparent);
QSize logicalSize(const QImage& image);
void fillRow(QImage& image, int y, const QColor& colour);
void fillColumn(QImage& image, int x, const QColor& colour);
QFont uiFont(int pixels, bool bold = false);
// Plain painter with antialiasing on.
void smooth(QPainter& p);
// A toothed wheel around `centre` with a round hole in the middle.
QPainterPath gearPath(QPointF centre, int teeth, double outer, double inner, double hole);

// Frame pieces.
QImage frameCorner(int w, int h, bool withHeader, bool left);
QImage frameTop(int w, int h, bool withHeader);
QImage frameSide(int w, bool left);
QImage frameBottom(int w, int h, bool bar);
QImage frameBottomCorner(int h);
QImage paperTile(const QColor& colour);

// Buttons.
enum class State { Normal, Pressed, Hover };
QImage titleButton(bool close, State state);
QImage textButton(const QString& text, State state, int w = 72, int h = 24);
QImage fontButton(State state);
QImage colourButton(State state);
QImage optionTab(const QString& text, bool active, bool pressed);
QImage optionHeader(bool password);
QImage leftPane();
QImage chatStrip(int number);
// Buttons no window names by number: tabs, small link buttons, and the
// glyph buttons of the main window's bottom bar.
enum class Tab { Off, On, Hover };
// `top` transparent rows above the tab let text painted behind it show.
QImage tabButton(const QString& text, Tab look, int w, int h, int top = 0);
QImage linkButton(const QString& text, State state, int w, int h);
enum class Glyph { Menu, Settings, History, Search };
QImage barButton(Glyph glyph, State state, int w, int h);

// Pictures.
void drawKapok(QPainter& p, const QRectF& box, bool grey);
QImage appIcon(int size, bool grey);
QImage avatar(int size, bool group);
QImage figure(int kind);            // 0 male, 1 female, 2 group
QImage terminalIcon(int terminal);  // 0 SMS, 1 WAP, 2 mobile, 3 PC
QImage ownerMark();
QImage treeGlyph(bool expand);
QImage folder();

// The sign-in animation's frames, all the same size.
QList<QImage> signInFrames();

}  // namespace art
