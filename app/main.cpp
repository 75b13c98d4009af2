#include <QApplication>

#include "app/main_form.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lanvaro"));

    TMainForm form;
    form.show();
    return QApplication::exec();
}
