#include "widgets/qt_message_handler.h"

#include <QApplication>
#include <QMessageBox>

namespace tabel::widgets {

core::Answer QtMessageHandler::show(core::MessageKind kind, const QString& title,
                                    const QString& text) {
    QWidget* parent = QApplication::activeModalWidget();
    if (parent == nullptr) {
        parent = QApplication::activeWindow();
    }
    using core::Answer;
    switch (kind) {
        case core::MessageKind::Stop:
            QMessageBox::critical(parent, title, text, QMessageBox::Ok);
            return Answer::Ok;
        case core::MessageKind::Question:
            return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No,
                                         QMessageBox::No) == QMessageBox::Yes
                       ? Answer::Yes
                       : Answer::No;
        case core::MessageKind::Exclamation:
            return QMessageBox::warning(parent, title, text, QMessageBox::Yes | QMessageBox::No,
                                        QMessageBox::No) == QMessageBox::Yes
                       ? Answer::Yes
                       : Answer::No;
        case core::MessageKind::Information:
            QMessageBox::information(parent, title, text, QMessageBox::Ok);
            return Answer::Ok;
    }
    return Answer::No;
}

}  // namespace tabel::widgets
