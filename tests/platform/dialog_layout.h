// A built dialog's layout as a person sees it, checked without looking: every control inside
// the dialog, no caption cut, no two controls over each other (a group box frames controls
// wholly inside it).
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QWidget>

#include "gui/built_dialog.h"

namespace tessel::test {

inline void expect_laid_out(BuiltDialog* dialog) {
    const QList<QWidget*> controls = dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (qsizetype i = 0; i < controls.size(); ++i) {
        const QWidget* control = controls[i];
        if (!control->isVisible()) continue;
        EXPECT_TRUE(dialog->rect().contains(control->geometry())) << control->metaObject()->className();
        const bool captioned =
            qobject_cast<const QLabel*>(control) || qobject_cast<const QAbstractButton*>(control);
        if (captioned) {
            EXPECT_GE(control->width(), control->sizeHint().width())
                << control->metaObject()->className();
        }
        for (qsizetype j = i + 1; j < controls.size(); ++j) {
            if (!controls[j]->isVisible()) continue;
            // A group box frames controls: each lies wholly inside it or wholly outside.
            const QWidget* frame = qobject_cast<const QGroupBox*>(control) ? control
                                   : qobject_cast<const QGroupBox*>(controls[j]) ? controls[j]
                                                                                 : nullptr;
            if (frame) {
                const QWidget* other = frame == control ? controls[j] : control;
                const QRect inner = frame->contentsRect().translated(frame->pos());
                EXPECT_TRUE(inner.contains(other->geometry()) ||
                            !frame->geometry().intersects(other->geometry()))
                    << "a control straddles a group box: " << other->metaObject()->className();
                continue;
            }
            EXPECT_FALSE(control->geometry().intersects(controls[j]->geometry()))
                << control->metaObject()->className() << " "
                << controls[j]->metaObject()->className();
        }
    }
}

}  // namespace tessel::test
