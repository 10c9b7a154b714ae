// The node icons and marks, drawn with QPainter on a 16-unit grid.
//
// The kind codes are shared between the languages (code 2 is an XML element with sub-elements
// and an empty JSON object, code 9 both a DTD's label and an error), so each picture is drawn
// to read for every node that reports its code: families of colour rather than language
// symbols where codes are shared. Blue boxes hold things (elements, JSON containers), orange
// is an attribute or name/value pair, grey-green lines are text, plum is the DTD, and amber,
// red and green are the warnings pane's. Every shape has a border one shade darker than its
// fill so it stays readable on a dark base as well as a light one.
//
// Glyphs are filled rectangles on whole units where they can be, so they stay crisp at a pixel
// ratio of 1; outlines sit on half units for the same reason.
#include "gui/node_icons.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <array>
#include <cmath>

namespace tessel {
namespace {

const QColor kElementDark(0x2b, 0x5c, 0xaa);
const QColor kElement(0x3f, 0x7f, 0xd6);
const QColor kElementPale(0xf2, 0xf7, 0xfd);
const QColor kAttribute(0xe0, 0x84, 0x1c);
const QColor kTextPage(0xf3, 0xf7, 0xee);
const QColor kTextInk(0x5a, 0x79, 0x4e);
const QColor kDtd(0x8c, 0x3b, 0x8b);
const QColor kDtdPale(0xf6, 0xe8, 0xf5);
const QColor kError(0xd6, 0x33, 0x27);
const QColor kWarning(0xf2, 0xb1, 0x1d);
const QColor kWarningInk(0x3d, 0x2b, 0x00);
const QColor kFine(0x2e, 0x9a, 0x4c);
// Mid grey: the sort marks sit on header cells, which are light or dark with the theme.
const QColor kMark(0x6c, 0x73, 0x7e);
const QColor kLocation(0x17, 0x8c, 0x8c);
const QColor kWhite(Qt::white);

QColor border_of(const QColor& fill) { return fill.darker(fill.lightness() > 200 ? 160 : 135); }

// The rounded box that elements, containers, attributes and declarations share.
const QRectF kBox(1.5, 2.5, 13, 11);

void box(QPainter& p, const QColor& fill, const QColor& border) {
    p.setPen(QPen(border, 1));
    p.setBrush(fill);
    p.drawRoundedRect(kBox, 2.5, 2.5);
}

// A box whose right part (from x `from`) is an attribute's orange: an element with attributes.
void box_with_attributes(QPainter& p, const QColor& fill, int from = 10) {
    box(p, fill, border_of(fill));
    p.save();
    p.setClipRect(QRectF(from, 0, 16 - from, 16));
    box(p, kAttribute, border_of(kAttribute));
    p.restore();
}

void bars(QPainter& p, const QColor& colour, std::initializer_list<QRect> rects) {
    for (const QRect& r : rects) p.fillRect(r, colour);
}

void exclamation(QPainter& p, const QColor& colour, int top) {
    bars(p, colour, {QRect(7, top, 2, 5), QRect(7, top + 6, 2, 2)});
}

void stroke(QPainter& p, const QColor& colour, qreal width, const QPainterPath& path) {
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

void disc(QPainter& p, const QColor& fill) {
    p.setPen(QPen(border_of(fill), 1));
    p.setBrush(fill);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
}

void triangle(QPainter& p, QPointF a, QPointF b, QPointF c, const QColor& fill, const QColor& border) {
    QPainterPath path(a);
    path.lineTo(b);
    path.lineTo(c);
    path.closeSubpath();
    p.setPen(QPen(border, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(fill);
    p.drawPath(path);
}

void draw_node(QPainter& p, int kind_code) {
    switch (kind_code) {
        case 0:  // XML attribute, JSON name/value pair: "="
            box(p, kAttribute, border_of(kAttribute));
            bars(p, kWhite, {QRect(4, 5, 8, 2), QRect(4, 9, 8, 2)});
            break;
        case 1:  // empty XML element, JSON value in an array: an open box with a slot
            box(p, kElementPale, kElement);
            bars(p, kElement, {QRect(5, 7, 6, 2)});
            break;
        case 2:  // element with sub-elements, the XML document, an empty JSON object: an outline
            box(p, kElementDark, border_of(kElementDark));
            bars(p, kWhite, {QRect(4, 4, 6, 2), QRect(5, 6, 1, 5), QRect(6, 7, 6, 2), QRect(6, 10, 6, 2)});
            break;
        case 3: {  // text, a JSON object of values: a page of lines
            p.setPen(QPen(border_of(kTextPage).darker(120), 1));
            p.setBrush(kTextPage);
            p.drawRoundedRect(QRectF(2.5, 1.5, 11, 13), 1.5, 1.5);
            bars(p, kTextInk, {QRect(5, 4, 6, 1), QRect(5, 6, 6, 1), QRect(5, 8, 6, 1), QRect(5, 10, 6, 1), QRect(5, 12, 4, 1)});
            break;
        }
        case 4: {  // JSON object holding containers: braces
            box(p, kElementDark, border_of(kElementDark));
            QPainterPath braces;
            braces.moveTo(6.5, 4.5);
            braces.quadTo(5, 4.5, 5, 6);
            braces.lineTo(5, 7);
            braces.quadTo(5, 8, 4, 8);
            braces.quadTo(5, 8, 5, 9);
            braces.lineTo(5, 10);
            braces.quadTo(5, 11.5, 6.5, 11.5);
            braces.moveTo(9.5, 4.5);
            braces.quadTo(11, 4.5, 11, 6);
            braces.lineTo(11, 7);
            braces.quadTo(11, 8, 12, 8);
            braces.quadTo(11, 8, 11, 9);
            braces.lineTo(11, 10);
            braces.quadTo(11, 11.5, 9.5, 11.5);
            stroke(p, kWhite, 1.3, braces);
            break;
        }
        case 5:  // element holding only text, an empty JSON array: lines in a box
            box(p, kElement, border_of(kElement));
            bars(p, kWhite, {QRect(4, 5, 8, 1), QRect(4, 7, 8, 1), QRect(4, 9, 8, 1), QRect(4, 11, 5, 1)});
            break;
        case 6:  // element with attributes only, a JSON array of values
            box_with_attributes(p, kElement);
            bars(p, kWhite, {QRect(11, 5, 2, 2), QRect(11, 9, 2, 2)});
            break;
        case 7:  // element with attributes and text, a JSON array holding containers
            box_with_attributes(p, kElement);
            bars(p, kWhite, {QRect(4, 5, 4, 1), QRect(4, 7, 4, 1), QRect(4, 9, 4, 1), QRect(4, 11, 3, 1),
                             QRect(11, 7, 2, 2)});
            break;
        case 8:  // element with exactly one attribute and nothing else: the attribute is its value
            box_with_attributes(p, kElement, 7);
            bars(p, kWhite, {QRect(9, 5, 4, 2), QRect(9, 9, 4, 2)});
            break;
        case 9:  // a DTD or DOCTYPE, an error: the "!" of both, in the DTD's plum
            box(p, kDtd, border_of(kDtd));
            exclamation(p, kWhite, 4);
            break;
        case 10:  // a warning
            triangle(p, QPointF(8, 1.5), QPointF(14.5, 14), QPointF(1.5, 14), kWarning, border_of(kWarning));
            exclamation(p, kWarningInk, 5);
            break;
        case 11: {  // warnings root: all clear
            disc(p, kFine);
            QPainterPath check(QPointF(4.8, 8.3));
            check.lineTo(7, 10.5);
            check.lineTo(11.2, 5.8);
            stroke(p, kWhite, 1.8, check);
            break;
        }
        case 12: {  // warnings root: errors
            disc(p, kError);
            QPainterPath cross(QPointF(5.5, 5.5));
            cross.lineTo(10.5, 10.5);
            cross.moveTo(10.5, 5.5);
            cross.lineTo(5.5, 10.5);
            stroke(p, kWhite, 1.8, cross);
            break;
        }
        case 13:  // warnings root: warnings only
            disc(p, kWarning);
            exclamation(p, kWarningInk, 4);
            break;
        case 14:  // DTD conditional block: brackets
            box(p, kDtdPale, kDtd);
            bars(p, kDtd, {QRect(4, 4, 1, 8), QRect(5, 4, 2, 1), QRect(5, 11, 2, 1), QRect(11, 4, 1, 8),
                           QRect(9, 4, 2, 1), QRect(9, 11, 2, 1)});
            break;
        case 15: {  // DTD declaration (ELEMENT, ATTLIST, ENTITY): "<!" in the DTD's plum
            box(p, kDtdPale, kDtd);
            QPainterPath angle(QPointF(7, 4.5));
            angle.lineTo(4, 8);
            angle.lineTo(7, 11.5);
            stroke(p, kDtd, 1.5, angle);
            bars(p, kDtd, {QRect(9, 4, 2, 5), QRect(9, 10, 2, 2)});
            break;
        }
        default:
            break;
    }
}

void draw_mark(QPainter& p, int index) {
    switch (index) {
        case 11:  // sorted ascending
            triangle(p, QPointF(8, 5), QPointF(12, 10.5), QPointF(4, 10.5), kMark, kMark);
            break;
        case 12:  // sorted descending
            triangle(p, QPointF(4, 5.5), QPointF(12, 5.5), QPointF(8, 11), kMark, kMark);
            break;
        case 15: {  // a marked source position: a small diamond
            QPainterPath diamond(QPointF(8, 3.5));
            diamond.lineTo(12.5, 8);
            diamond.lineTo(8, 12.5);
            diamond.lineTo(3.5, 8);
            diamond.closeSubpath();
            p.setPen(QPen(border_of(kLocation), 1));
            p.setBrush(kLocation);
            p.drawPath(diamond);
            break;
        }
        case 16:  // kind_code -2: a box standing for content not shown, "..."
            box(p, kElementPale, kMark);
            bars(p, kMark, {QRect(4, 8, 2, 2), QRect(7, 8, 2, 2), QRect(10, 8, 2, 2)});
            break;
        default:
            break;
    }
}

template <typename Draw>
QPixmap make(int index, Draw draw) {
    const qreal ratio = std::max<qreal>(qGuiApp ? qGuiApp->devicePixelRatio() : 1.0, 1.0);
    const int side = static_cast<int>(std::ceil(kNodeIconSize * ratio));
    QPixmap pixmap(side, side);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p, index);
    p.end();
    return pixmap;
}

constexpr int kNodeIcons = 16;
constexpr int kMarks = 17;

}  // namespace

const QPixmap& node_icon(int kind_code) {
    static const QPixmap none;
    static const std::array<QPixmap, kNodeIcons> icons = [] {
        std::array<QPixmap, kNodeIcons> made;
        for (int code = 0; code < kNodeIcons; ++code) made[code] = make(code, draw_node);
        return made;
    }();
    return kind_code >= 0 && kind_code < kNodeIcons ? icons[kind_code] : none;
}

const QPixmap& mark_icon(int index) {
    static const QPixmap none;
    static const std::array<QPixmap, kMarks> marks = [] {
        std::array<QPixmap, kMarks> made;
        for (int index : {11, 12, 15, 16}) made[index] = make(index, draw_mark);
        return made;
    }();
    return index >= 0 && index < kMarks ? marks[index] : none;
}

}  // namespace tessel
