#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

namespace qvr::test {

// Answers the message box that opens next with OK and keeps its text and icon.
struct MessageCatcher {
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int seen = 0;
    void ArmOnce() {
        QTimer::singleShot(0, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            text = box->text();
            icon = box->icon();
            ++seen;
            box->accept();
        });
    }
};

// Confirms `name` in the file dialog that opens next.
inline void AnswerDialog(QFileDialog* dialog, const QString& name) {
    QTimer::singleShot(0, [dialog, name] {
        ASSERT_TRUE(dialog->isVisible());
        dialog->selectFile(name);
        static_cast<QDialog*>(dialog)->accept();
    });
}

} // namespace qvr::test
