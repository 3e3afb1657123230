#include "app/notch/PeekCard.h"

#include "app/brand/Palette.h"
#include "app/insights/FileInsights.h"
#include "app/insights/FileThumbnail.h"
#include "app/notch/NotchButton.h"
#include "app/notch/NotchController.h"
#include "app/notch/NotchLabel.h"
#include "app/notch/PeekProgress.h"
#include "core/base/ByteCount.h"

#include <QFile>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace dustlyn {

namespace {

constexpr int filesHeight = 44;
constexpr int pictureSide = 40;
constexpr int ring = 2;
constexpr int pictureStep = 34; // the framed pictures overlap, each over the one before

QString nameOf(const std::filesystem::path& file) {
    return QFile::decodeName(file.filename().c_str());
}

QString folderOf(const std::filesystem::path& file) {
    return QFile::decodeName(file.parent_path().filename().c_str());
}

// A picture in a ring of the notch's black, so that overlapping pictures stay apart.
class FramedThumbnail : public QWidget {
public:
    FramedThumbnail(ThumbnailCache& thumbnails, QWidget* parent)
        : QWidget(parent), picture(new FileThumbnail(thumbnails, pictureSide, this)) {
        setFixedSize(pictureSide + 2 * ring, pictureSide + 2 * ring);
        picture->move(ring, ring);
    }
    FileThumbnail* picture;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath frame;
        frame.addRoundedRect(QRectF(rect()), 9 + ring, 9 + ring);
        painter.fillPath(frame, Palette::notch());
    }
};

} // namespace

PeekCard::PeekCard(const NotchContext& context, QWidget* parent)
    : QWidget(parent), context_(context),
      title_(new NotchLabel(13, QFont::DemiBold, Palette::notchText())),
      folder_(new NotchLabel(12, QFont::Normal, Palette::notchDim())),
      size_(new NotchLabel(12, QFont::DemiBold, Palette::notchText())), files_(new QStackedWidget),
      progress_(new PeekProgress(context)) {
    setAttribute(Qt::WA_TranslucentBackground);
    files_->setFixedHeight(filesHeight);
    files_->addWidget(makeOneFile());
    files_->addWidget(makeSeveralFiles());
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(18, 12, 18, 0);
    column->setSpacing(10);
    column->addWidget(makeHeader());
    column->addWidget(files_);
    column->addWidget(makeButtons());
    column->addWidget(progress_);
    column->addStretch(1);
    const auto refreshNow = [this] { refresh(); };
    connect(&context.vm, &NotchViewModel::peekFilesChanged, this, refreshNow);
    connect(&context.vm, &NotchViewModel::nowChanged, this, refreshNow);
}

QString PeekCard::title(const std::vector<MatchedFile>& files) {
    const bool screenshots = std::all_of(files.begin(), files.end(), [](const MatchedFile& f) {
        return nameOf(f.url).toLower().startsWith(QStringLiteral("screenshot"));
    });
    const QString noun = screenshots ? QStringLiteral("screenshot") : QStringLiteral("file");
    if (files.size() == 1)
        return QStringLiteral("New ") + noun;
    return QStringLiteral("%1 new %2s").arg(files.size()).arg(noun);
}

QWidget* PeekCard::makeHeader() {
    auto* header = new QWidget;
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    folder_->setElideMode(Qt::ElideMiddle);
    size_->setMonospacedDigits(true);
    row->addWidget(title_);
    row->addWidget(folder_);
    row->addStretch(1);
    row->addWidget(size_);
    return header;
}

QWidget* PeekCard::makeOneFile() {
    auto* one = new QWidget;
    thumbnail_ = new FileThumbnail(context_.thumbnails, filesHeight, one);
    name_ = new NotchLabel(12.5, QFont::DemiBold, Palette::notchText());
    detail_ = new NotchLabel(11, QFont::Normal, Palette::notchDim());
    name_->setElideMode(Qt::ElideMiddle);
    detail_->setElideMode(Qt::ElideRight);
    auto* text = new QVBoxLayout;
    text->setSpacing(2);
    text->addStretch(1);
    text->addWidget(name_);
    text->addWidget(detail_);
    text->addStretch(1);
    auto* row = new QHBoxLayout(one);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(12);
    row->addWidget(thumbnail_);
    row->addLayout(text, 1);
    return one;
}

QWidget* PeekCard::makeSeveralFiles() {
    auto* several = new QWidget;
    strip_ = new QWidget;
    QWidget* strip = strip_;
    for (std::size_t i = 0; i < shownPictures; ++i) {
        auto* framed = new FramedThumbnail(context_.thumbnails, strip);
        framed->move(pictureStep * int(i), 0);
        frames_.push_back(framed);
        pictures_.push_back(framed->picture);
    }
    sentence_ = new NotchLabel(11.5, QFont::Normal, Palette::notchDim());
    sentence_->setWordWrap(true);
    sentence_->setText(QStringLiteral(
        "Each one leaves when its rule says, unless you pick a time for all of them."));
    auto* row = new QHBoxLayout(several);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(14);
    row->addWidget(strip);
    row->addWidget(sentence_, 1);
    return several;
}

QWidget* PeekCard::makeButtons() {
    auto* buttons = new QWidget;
    auto* row = new QHBoxLayout(buttons);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    for (const Choice& choice : choices) {
        auto* button = new NotchButton(QString::fromUtf8(choice.label), false);
        const double seconds = choice.seconds;
        connect(button, &QAbstractButton::clicked, this, [this, seconds] {
            // A copy: the first choice turns the card into its confirmation.
            const std::vector<MatchedFile> files = context_.vm.peekFiles();
            for (const MatchedFile& file : files)
                context_.controller.setTimer(file, seconds);
        });
        choiceButtons_.push_back(button);
        row->addWidget(button);
    }
    row->addStretch(1);
    keep_ = new NotchButton(QStringLiteral("Keep"), false, Palette::keep());
    open_ = new NotchButton(QStringLiteral("Open"), true);
    connect(keep_, &QAbstractButton::clicked, this, [this] {
        const std::vector<MatchedFile> files = context_.vm.peekFiles();
        context_.controller.keep(files);
    });
    connect(open_, &QAbstractButton::clicked, this, [this] { context_.controller.open(false); });
    row->addWidget(keep_);
    row->addWidget(open_);
    return buttons;
}

bool PeekCard::showsOneFile() const {
    return files_->currentIndex() == 0;
}

std::vector<FileThumbnail*> PeekCard::pictures() const {
    std::vector<FileThumbnail*> shown;
    for (std::size_t i = 0; i < frames_.size(); ++i)
        if (!frames_[i]->isHidden())
            shown.push_back(pictures_[i]);
    return shown;
}

void PeekCard::showEvent(QShowEvent* event) {
    if (stale_)
        refresh();
    QWidget::showEvent(event);
}

void PeekCard::refresh() {
    if (!isVisible()) {
        stale_ = true;
        return;
    }
    stale_ = false;
    const auto& files = context_.vm.peekFiles();
    title_->setLine(title(files));
    folder_->setLine(files.empty() ? QString() : folderOf(files.front().url));
    std::int64_t total = 0;
    for (const auto& file : files)
        total += file.size;
    size_->setLine(total == 0 ? QStringLiteral("0 MB")
                              : QString::fromStdString(formatByteCount(total)));
    keep_->setText(files.size() > 1 ? QStringLiteral("Keep all") : QStringLiteral("Keep"));
    keep_->updateGeometry();
    files_->setCurrentIndex(files.size() > 1 ? 1 : 0);
    if (files.size() == 1)
        refreshOneFile(files.front());
    const std::size_t shown = std::min(files.size(), shownPictures);
    strip_->setFixedSize(pictureStep * int(shown > 0 ? shown - 1 : 0) + pictureSide + 2 * ring,
                         filesHeight);
    for (std::size_t i = 0; i < frames_.size(); ++i) {
        frames_[i]->setVisible(i < shown && files.size() > 1);
        if (i < shown)
            pictures_[i]->setFile(files[i].url);
    }
}

void PeekCard::refreshOneFile(const MatchedFile& file) {
    thumbnail_->setFile(file.url);
    name_->setLine(nameOf(file.url));
    const auto site = FileInsights::source(file.url);
    const QString source = site ? QString::fromStdString(*site) : folderOf(file.url);
    detail_->setLine(source + QStringLiteral(" · leaves ") +
                     QString::fromStdString(FileInsights::clock(file.deadline, context_.vm.now())) +
                     QStringLiteral(" · ") + QString::fromStdString(context_.model.reason(file)));
}

} // namespace dustlyn
