// guide_html: turns one of the Markdown pages of docs/ into an HTML page for the desktop's
// browser, at build time. Pictures keep their relative paths, so the page is installed beside
// its images/ folder.
// Usage: guide_html IN.md OUT.html TITLE
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QTextDocument>
#include <cstdio>

namespace {

// The toolkit's own notes (that the offscreen platform has no runtime folder, say) are noise in
// a build's output; this program's errors go to standard error itself.
void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: guide_html IN.md OUT.html TITLE\n");
        return 2;
    }
    qInstallMessageHandler(quiet);
    QGuiApplication application(argc, argv);
    QFile in(QString::fromLocal8Bit(argv[1]));
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "guide_html: cannot read %s\n", argv[1]);
        return 1;
    }
    QTextDocument document;
    // A browser's usual reading size, rather than the toolkit's 9 points.
    QFont font(QStringLiteral("sans-serif"));
    font.setPointSize(12);
    document.setDefaultFont(font);
    document.setMarkdown(QString::fromUtf8(in.readAll()), QTextDocument::MarkdownDialectGitHub);
    document.setMetaInformation(QTextDocument::DocumentTitle, QString::fromLocal8Bit(argv[3]));
    QString html = document.toHtml();
    // The toolkit quotes the families, which would make them fonts' names instead of the
    // browser's own generic faces.
    for (const char* family : {"sans-serif", "monospace"})
        html.replace(QStringLiteral("font-family:'%1'").arg(QLatin1String(family)),
                     QStringLiteral("font-family:%1").arg(QLatin1String(family)));
    // Lines of a readable length, and tables and pictures that keep to them.
    html.replace(QStringLiteral("</style>"),
                 QStringLiteral("body { max-width: 60em; margin: 1em auto; padding: 0 1em; }\n"
                                "img { max-width: 100%; height: auto; }\n"
                                "table { border-collapse: collapse; }\n"
                                "td, th { padding: 2px 6px; }\n</style>"));
    QFile out(QString::fromLocal8Bit(argv[2]));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(html.toUtf8()) < 0 ||
        !out.flush()) {
        std::fprintf(stderr, "guide_html: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
