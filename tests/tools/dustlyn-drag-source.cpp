// dustlyn-drag-source FILE...: a small window that, pressed, drags the given files as a file
// browser does (over XDND), so tests and the screenshot script can drag files onto the notch
// with xdotool. Its window is titled "dustlyn-drag-source". It prints the action the drop
// target under the pointer offers whenever that changes ("over copy", "over none", ...) and at
// the end of each drag the action taken ("dropped copy", "dropped move", "dropped link" or
// "dropped none").
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QWidget>

#include <cstdio>

namespace {

void say(const char* what, Qt::DropAction action) {
    const char* name = action == Qt::CopyAction   ? "copy"
                       : action == Qt::MoveAction ? "move"
                       : action == Qt::LinkAction ? "link"
                                                  : "none";
    std::printf("%s %s\n", what, name);
    std::fflush(stdout);
}

class DragSource : public QWidget {
public:
    explicit DragSource(QList<QUrl> urls) : urls_(std::move(urls)) {
        setWindowTitle(QStringLiteral("dustlyn-drag-source"));
        setFixedSize(120, 80);
    }

protected:
    void mousePressEvent(QMouseEvent*) override {
        auto* data = new QMimeData;
        data->setUrls(urls_);
        // File browsers offer their own kinds of file list beside text/uri-list; with more
        // than three types the source lists them on its window, where every program can
        // read them (with fewer, only drop targets learn them).
        QByteArray list = "copy";
        for (const QUrl& url : urls_)
            list += "\n" + url.toEncoded();
        data->setData(QStringLiteral("x-special/gnome-copied-files"), list);
        data->setData(QStringLiteral("application/x-kde4-urilist"), data->data("text/uri-list"));
        data->setText(urls_.first().toLocalFile());
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        connect(drag, &QDrag::actionChanged, this,
                [](Qt::DropAction action) { say("over", action); });
        say("dropped", drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction));
    }

private:
    QList<QUrl> urls_;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QList<QUrl> urls;
    for (int i = 1; i < argc; ++i)
        urls << QUrl::fromLocalFile(QString::fromLocal8Bit(argv[i]));
    DragSource source(urls);
    source.move(40, 500);
    source.show();
    return app.exec();
}
