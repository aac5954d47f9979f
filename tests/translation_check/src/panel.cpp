// Two texts for the translation check's own tests.
#include <QCoreApplication>

QString Texts() {
    return QCoreApplication::translate("Panel", "開始") +
           QCoreApplication::translate("Panel", "停止");
}
