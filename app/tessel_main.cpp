// tessel: the editor's entry point. The editor window is not built yet; until it is, this
// program scans the named document with the Qt event loop driving the line scanner, reports
// what it found, and points to tessel-cli.
#include <QApplication>
#include <QFile>
#include <cstdio>

#include "gui/command_icons.h"
#include "platform/qt_scan_timer.h"
#include "text/text_document.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Tessel");
    tessel::init_icon_resources();
    QApplication::setWindowIcon(tessel::application_icon());
    tessel::TextDocument document;
    tessel::QtSliceTimer timer([&] {
        document.run_scan_slice();
        if (document.scan_finished()) QApplication::quit();
    });
    document.set_slice_timer(&timer);
    QByteArray bytes;
    if (argc > 1) {
        QFile file(QString::fromLocal8Bit(argv[1]));
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "tessel: cannot open %s\n", argv[1]);
            return 2;
        }
        bytes = file.readAll();
    }
    document.set_text(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    app.exec();
    std::printf("The editor window is not built yet. Scanned %d logical lines; use tessel-cli.\n",
                document.logical_line_of(document.length()) + 1);
    return 0;
}
