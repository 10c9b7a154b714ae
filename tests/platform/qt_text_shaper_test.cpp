// The Qt adapters of the editor: positions shaped by Qt round-trip through a line laid out
// with ASCII, accented, CJK and astral characters and a tab; the editor model painted through
// QtSurface onto an image puts its boxes and mark where it measured them; key events become
// the editor's keys and modifier codes.
#include <gtest/gtest.h>

#include <QFont>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <string>
#include <vector>

#include "editor/editor_view_model.h"
#include "editor/line_layout.h"
#include "platform/qt_key_press.h"
#include "platform/qt_surface.h"
#include "platform/qt_text_shaper.h"
#include "tests/text/special_token_automaton.h"
#include "text/utf8_boundary.h"

namespace tessel {
namespace {

QFont editor_font(bool bold) {
    QFont font("DejaVu Sans Mono", 11);
    font.setBold(bold);
    return font;
}

TEST(QtTextShaper, BoundariesRoundTripThroughALineWithATab) {
    QtTextShaper shaper(editor_font(false), editor_font(true));
    // ASCII, é and ü precomposed, CJK, a tab, an astral character (two UTF-16 units).
    const std::string line = "ab h\xC3\xA9llo \xC3\xBC\t\xE4\xB8\xAD\xE6\x96\x87 x\xF0\x9F\x98\x80y";
    const FontMetrics metrics = shaper.metrics(kFirstEditorFont);
    ASSERT_GT(metrics.x_width, 0);
    ASSERT_GE(metrics.line_height, metrics.ascent);

    PlainAutomaton automaton;
    TextWidthCache widths;
    std::vector<LineToken> tokens;
    LayoutContext context{shaper, widths, automaton, 4 * metrics.x_width, tokens};
    LineLayout layout;
    layout.build(line, 0, context);

    double previous = -1;
    const int32_t n = static_cast<int32_t>(line.size());
    for (int32_t b = 0; b <= n; b = b < n ? next_char_boundary(line, b) : n + 1) {
        SCOPED_TRACE(b);
        const double x = layout.x_of(b, shaper);
        EXPECT_GT(x, previous);
        EXPECT_EQ(layout.offset_at(x, shaper), b);
        // A little to either side still finds the same boundary.
        EXPECT_EQ(layout.offset_at(x + 0.3, shaper), b);
        EXPECT_EQ(layout.offset_at(x - 0.3, shaper), b);
        previous = x;
    }
    // The tab reaches the next stop of four "X" widths.
    const int32_t tab = static_cast<int32_t>(line.find('\t'));
    const double stop = layout.x_of(tab + 1, shaper);
    EXPECT_NEAR(std::fmod(stop, 4 * metrics.x_width), 0, 1e-6);
    EXPECT_DOUBLE_EQ(layout.x_of(n, shaper), layout.width());

    // The run's width is the x of its end, and the wide CJK characters are wider than "X".
    const std::string_view cjk = "\xE4\xB8\xAD\xE6\x96\x87";
    EXPECT_DOUBLE_EQ(shaper.width(cjk, kFirstEditorFont), shaper.x_of(cjk, kFirstEditorFont, 6));
    EXPECT_GT(shaper.x_of(cjk, kFirstEditorFont, 3), metrics.x_width);
    // The second font is bold and no narrower.
    EXPECT_GE(shaper.width("bold", kSecondEditorFont), shaper.width("bold", kFirstEditorFont));
}

TEST(QtSurface, PaintsTheModelsBoxesAndMarksWhereItMeasuredThem) {
    QtTextShaper shaper(editor_font(false), editor_font(true));
    test::SpecialTokenAutomaton automaton;
    TextDocument document;
    document.set_automaton(&automaton);
    document.set_text(std::string(2100, 'x') + "\n" + "a\x01" "b\xFF" "c\n");
    document.run_scan_slice();
    EditorViewModel view(document, shaper);
    view.resize(500, 120);

    QImage image(500, 120, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    {
        QPainter painter(&image);
        QtSurface surface(painter, shaper);
        view.paint(surface, Rect{0, 0, 500, 120}, false);
    }
    const double lh = view.metrics().line_height;
    const double gutter = view.gutter_width();
    auto pixel = [&](double x, double y) { return QColor(image.pixel(static_cast<int>(x), static_cast<int>(y))); };
    auto count = [&](const Rect& r, auto&& wanted) {
        int n = 0;
        for (int y = static_cast<int>(r.y); y < static_cast<int>(r.bottom()); ++y)
            for (int x = static_cast<int>(r.x); x < static_cast<int>(r.right()); ++x)
                n += wanted(pixel(x, y));
        return n;
    };

    // Gutter and background cover the whole pane.
    EXPECT_EQ(pixel(1, 1), QColor(240, 240, 240));
    EXPECT_EQ(pixel(499, 119), QColor(255, 255, 255));

    // Row 2: "a", the SOH box with yellow text, "b", the FF box with white text.
    const LineLayout& row = view.layout(2);
    const LayoutPiece& soh = row.pieces()[1];
    ASSERT_EQ(soh.kind, PieceKind::control);
    const Rect soh_box{gutter + soh.x, 2 * lh, soh.width, lh};
    EXPECT_EQ(pixel(soh_box.x + 1, soh_box.y + 1), QColor(64, 64, 64));
    EXPECT_GT(count(soh_box, [](QColor c) { return c.red() > 200 && c.green() > 200 && c.blue() < 80; }), 5);
    const LayoutPiece& ff = row.pieces()[3];
    ASSERT_EQ(ff.kind, PieceKind::byte);
    const Rect ff_box{gutter + ff.x, 2 * lh, ff.width, lh};
    EXPECT_EQ(pixel(ff_box.x + 1, ff_box.y + 1), QColor(192, 48, 48));
    EXPECT_GT(count(ff_box, [](QColor c) { return c == QColor(255, 255, 255); }), 5);
    // Every pixel was painted.
    EXPECT_EQ(count(Rect{0, 0, 500, 120}, [](QColor c) { return c == QColor(Qt::magenta); }), 0);

    // Scrolled to the end of the cut first line: the continuation mark follows its last
    // character, in grey, and nothing is drawn after it.
    const double cut_width = view.layout(0).width();
    view.set_x_offset(static_cast<int32_t>(cut_width) - 300);
    image.fill(Qt::magenta);
    {
        QPainter painter(&image);
        QtSurface surface(painter, shaper);
        view.paint(surface, Rect{0, 0, 500, 120}, false);
    }
    if (qEnvironmentVariableIsSet("TESSEL_SAVE_IMAGE")) image.save(qEnvironmentVariable("TESSEL_SAVE_IMAGE"));
    const double mark_x = gutter + cut_width - view.x_offset() + kBoxPadding;
    auto grey = [](QColor c) { return c.red() == c.green() && c.green() == c.blue() && c.red() > 60 && c.red() < 200; };
    EXPECT_GT(count(Rect{mark_x, 0, view.metrics().x_width, lh}, grey), 3);
    EXPECT_EQ(count(Rect{mark_x + view.metrics().x_width + 1, 0, 500 - mark_x - view.metrics().x_width - 1, lh},
                    [](QColor c) { return c != QColor(255, 255, 255); }),
              0);
}

// One translation for the editor and the accelerators: named keys, every modifier code, the
// menu key, function keys, and character keys named by their key even when Ctrl makes the text
// a control character.
TEST(QtKeyPress, KeyEventsBecomeKeyCodesModifierCodesAndCharacters) {
    auto press = [](int key, Qt::KeyboardModifiers modifiers, const QString& text = {}) {
        return key_press_of(QKeyEvent(QEvent::KeyPress, key, modifiers, text));
    };
    KeyPress p = press(Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(p.key, kKeyLeft);
    EXPECT_EQ(p.modifier, kModifierCtrlShift);
    EXPECT_EQ(press(Qt::Key_End, Qt::AltModifier | Qt::ControlModifier).modifier, kModifierCtrlAlt);
    EXPECT_EQ(press(Qt::Key_End, Qt::AltModifier | Qt::ControlModifier | Qt::ShiftModifier).modifier,
              kModifierCtrlAltShift);
    EXPECT_EQ(press(Qt::Key_Home, Qt::ShiftModifier | Qt::AltModifier).modifier, kModifierAltShift);
    p = press(Qt::Key_Backtab, Qt::NoModifier);
    EXPECT_EQ(p.key, kKeyTab);
    EXPECT_EQ(p.modifier, kModifierShift);
    EXPECT_EQ(press(Qt::Key_Menu, Qt::NoModifier).key, kKeyContextMenu);
    EXPECT_EQ(press(Qt::Key_F12, Qt::NoModifier).key, kKeyF1 + 11);
    p = press(Qt::Key_Eacute, Qt::NoModifier, QString::fromUtf8("\xC3\xA9"));
    EXPECT_EQ(p.key, kKeyCharacter);
    EXPECT_EQ(p.character, U'\u00E9');
    p = press(Qt::Key_X, Qt::ControlModifier, QString(QChar(0x18)));
    EXPECT_EQ(p.key, kKeyCharacter);
    EXPECT_EQ(p.character, U'X');
    EXPECT_EQ(press(Qt::Key_Shift, Qt::ShiftModifier).key, kKeyNone);
}

}  // namespace
}  // namespace tessel
