// Writes the application icon at every hicolor size: OUTDIR/<n>x<n>/apps/dustlyn.png.
#include "app/brand/AppIcon.h"

#include <QDir>
#include <QGuiApplication>
#include <QImageWriter>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: dustlyn-render-icons OUTDIR\n");
        return 2;
    }
    // Drawing needs no display; the build machine may have none.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString root = QString::fromLocal8Bit(argv[1]);
    for (int size : dustlyn::AppIcon::sizes) {
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(root).arg(size);
        if (!QDir().mkpath(folder)) {
            std::fprintf(stderr, "dustlyn-render-icons: cannot create %s\n", qPrintable(folder));
            return 1;
        }
        QImageWriter writer(folder + QStringLiteral("/dustlyn.png"), "png");
        if (!writer.write(dustlyn::AppIcon::render(size))) {
            std::fprintf(stderr, "dustlyn-render-icons: %s: %s\n", qPrintable(writer.fileName()),
                         qPrintable(writer.errorString()));
            return 1;
        }
    }
    return 0;
}
