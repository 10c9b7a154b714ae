// TextPreview: the document's text, read-only, in the editor's pane. It paints only the
// lines on screen, straight from the text store, so a document of any size shows at once
// while it loads. The editing view takes its place in the pane.
#pragma once

#include <QAbstractScrollArea>

#include "text/text_document.h"

namespace tessel {

class TextPreview final : public QAbstractScrollArea, public TextDocumentView {
    Q_OBJECT
public:
    // Bytes of a line that are shown; the rest of a longer line is cut off.
    static constexpr int32_t kShownLineBytes = 1000;

    explicit TextPreview(TextDocument& document, QWidget* parent = nullptr);
    ~TextPreview() override;

    // TextDocumentView: on the UI thread after a change, a load's blocks included.
    void text_changed(bool scroll_to_caret) override;
    int32_t first_line() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void update_scroll_range();
    int line_height() const;

    TextDocument& document_;
};

}  // namespace tessel
