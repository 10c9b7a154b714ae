// Answering the window's dialogs and message boxes as a person does. A modal box or a dialog
// asked with ask() runs its own event loop inside the call that opened it, so the answer
// comes from a timer that waits for it to show.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <functional>

#include "gui/built_dialog.h"
#include "tests/gui/editor_fixture.h"

namespace tessel::test {

// The builder's dialog titled title that is shown now, or null.
inline BuiltDialog* shown_dialog(const QString& title) {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<BuiltDialog*>(widget);
            dialog && dialog->isVisible() && dialog->windowTitle() == title)
            return dialog;
    return nullptr;
}

// Once the dialog titled title shows, answer runs on it and *seen is set.
inline void when_dialog_shows(const QString& title, std::function<void(BuiltDialog&)> answer,
                              bool* seen) {
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, [timer, title, answer, seen] {
        BuiltDialog* dialog = shown_dialog(title);
        if (!dialog) return;
        timer->stop();
        timer->deleteLater();
        *seen = true;
        answer(*dialog);
    });
    timer->start(5);
}

// Clicks button on the next message box that shows, keeping its text and its caption (either
// may be null).
inline void answer_next_box(QMessageBox::StandardButton button, QString* text,
                            QString* caption = nullptr) {
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, [timer, button, text, caption] {
        auto* box = visible_top_level<QMessageBox>();
        if (!box) return;
        if (text) *text = box->text();
        if (caption) *caption = box->windowTitle();
        timer->stop();
        timer->deleteLater();
        QTest::mouseClick(box->button(button), Qt::LeftButton);
    });
    timer->start(5);
}

// Replaces a box's text by keys: all of it selected and deleted, then the new text typed.
inline void type_over(QLineEdit* box, const QString& text) {
    ASSERT_NE(box, nullptr);
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    type_keys(box, text);
}

}  // namespace tessel::test
