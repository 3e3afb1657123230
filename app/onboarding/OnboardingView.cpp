#include "app/onboarding/OnboardingView.h"

#include "app/brand/LogoTile.h"
#include "app/insights/FileInsights.h"
#include "app/model/AppModel.h"
#include "app/onboarding/FolderRow.h"
#include "app/onboarding/OnboardingSteps.h"
#include "app/onboarding/OnboardingStyle.h"
#include "app/onboarding/StepDots.h"
#include "app/settings/Card.h"
#include "app/settings/SettingsStyle.h"
#include "app/settings/SwitchButton.h"
#include "core/base/Paths.h"

#include <QCoreApplication>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPointer>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QStackedWidget>
#include <QThreadPool>
#include <QVBoxLayout>

namespace dustlyn {

namespace fs = std::filesystem;

namespace {

constexpr int sidePadding = 44;
constexpr int bottomPadding = 26;
constexpr int topPadding = 34;
constexpr qreal logoTile = 72;
constexpr int stepFadeMs = 250;
constexpr qreal disabledOpacity = 0.35;

} // namespace

OnboardingView::OnboardingView(AppModel& model, std::shared_ptr<Clock> clock, TrySample trySample,
                               Finish finish, QWidget* parent)
    : QWidget(parent), model_(model), clock_(std::move(clock)), trySample_(std::move(trySample)),
      finish_(std::move(finish)), folders_(FolderChoice::all(model.folders())) {
    setFixedSize(windowWidth, windowHeight);
    pages_ = new QStackedWidget(this);
    pages_->addWidget(welcomePage());
    pages_->addWidget(foldersPage());
    pages_->addWidget(tryPage());
    pages_->addWidget(donePage());
    dots_ = new StepDots(OnboardingSteps::count, this);

    auto* content = new QVBoxLayout;
    content->setContentsMargins(sidePadding, 18, sidePadding, bottomPadding);
    content->setSpacing(16);
    content->addWidget(pages_, 1);
    content->addWidget(dots_, 0, Qt::AlignHCenter);
    content->addWidget(navigation());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(logo());
    layout->addLayout(content, 1);

    ticker_.setInterval(1000);
    connect(&ticker_, &QTimer::timeout, this, &OnboardingView::refreshSample);
    connect(&model_, &AppModel::configChanged, this, &OnboardingView::refresh);
    connect(&model_, &AppModel::lastScanChanged, this, &OnboardingView::refreshSample);
    setStep(0);
}

QWidget* OnboardingView::logo() {
    // The tile's own margin holds its shadow; the tile's edge lines up with the text.
    auto* holder = new QWidget(this);
    auto* tile = new LogoTile(logoTile, holder);
    const int margin = static_cast<int>(LogoTile::shadowMargin(logoTile));
    auto* layout = new QHBoxLayout(holder);
    layout->setContentsMargins(sidePadding - margin, topPadding - margin, 0, 0);
    layout->addWidget(tile);
    layout->addStretch(1);
    return holder;
}

QWidget* OnboardingView::welcomePage() {
    auto* hint =
        new QLabel(QStringLiteral("<b>Hover the notch</b> to see what's leaving and when."));
    hint->setTextFormat(Qt::RichText);
    hint->setFont(SettingsStyle::font(13));
    hint->setWordWrap(true);
    hint->setAccessibleName(QStringLiteral("Hover the notch to see what's leaving and when."));
    return OnboardingStyle::page(pages_,
                                 {OnboardingStyle::heading(QStringLiteral("Welcome to Dustlyn")),
                                  OnboardingStyle::body(QStringLiteral(
                                      "Screenshots and downloads get a timer. When it runs out, "
                                      "Dustlyn moves the file to quarantine and deletes it 7 days "
                                      "later. Everything stays on your computer.")),
                                  OnboardingStyle::hintBox(hint)});
}

QWidget* OnboardingView::foldersPage() {
    auto* card = new Card;
    for (const FolderChoice& choice : folders_) {
        auto* row = new FolderRow(choice);
        rows_.push_back(row);
        card->appendRow(row);
        connect(row, &FolderRow::switched, this,
                [this, choice](bool on) { setFolderEnabled(choice, on); });
        connect(row, &FolderRow::allowAccess, this, [this, choice] { probe(choice); });
    }
    return OnboardingStyle::page(
        pages_,
        {OnboardingStyle::heading(QStringLiteral("Choose what to clean")),
         OnboardingStyle::body(QStringLiteral("Dustlyn only looks in folders you turn on. You can "
                                              "add more rules later in Settings.")),
         card});
}

QWidget* OnboardingView::tryPage() {
    sampleButton_ = SettingsStyle::button(QStringLiteral("Create a sample file"));
    sampleButton_->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    connect(sampleButton_, &QPushButton::clicked, this, &OnboardingView::createSample);
    sampleStatus_ = new QLabel;
    sampleStatus_->setFont(SettingsStyle::font(13, QFont::Medium));
    sampleStatus_->setTextFormat(Qt::PlainText);
    sampleStatus_->setWordWrap(true);
    sampleStatus_->hide();
    auto* hint = SettingsStyle::note(QStringLiteral("Or take a screenshot with Print Screen. It "
                                                    "shows up in the notch with a countdown."),
                                     nullptr, 12.5);
    QWidget* result =
        OnboardingStyle::page(pages_, {OnboardingStyle::heading(QStringLiteral("Try it")),
                                       OnboardingStyle::body(QStringLiteral(
                                           "Create a sample file. The notch peeks, and 30 seconds "
                                           "later the file moves to quarantine. Undo in the notch "
                                           "brings it back.")),
                                       sampleButton_, sampleStatus_, hint});
    auto* layout = static_cast<QVBoxLayout*>(result->layout());
    layout->setAlignment(sampleButton_, Qt::AlignLeft);
    return result;
}

QWidget* OnboardingView::donePage() {
    const QString title = QStringLiteral("Open Dustlyn at login");
    loginSwitch_ = new SwitchButton(title);
    loginSwitch_->setOn(openAtLogin_);
    connect(loginSwitch_, &SwitchButton::toggled, this, [this](bool on) { openAtLogin_ = on; });
    auto* row = new QWidget;
    auto* label = new QLabel(title, row);
    label->setFont(SettingsStyle::font(13.5));
    label->setBuddy(loginSwitch_);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->addWidget(label, 1);
    loginSwitch_->setParent(row);
    line->addWidget(loginSwitch_);
    auto* card = new Card;
    card->appendRow(row);
    return OnboardingStyle::page(
        pages_,
        {OnboardingStyle::heading(QStringLiteral("You're all set")),
         OnboardingStyle::body(QStringLiteral("Dustlyn runs in the notch. Hover it any time, press "
                                              "Ctrl+Alt+P, or drag a file onto it to keep it or "
                                              "set a timer.")),
         card});
}

QWidget* OnboardingView::navigation() {
    auto* row = new QWidget(this);
    back_ = OnboardingStyle::secondaryButton(QStringLiteral("Back"), row);
    primary_ = OnboardingStyle::primaryButton(row);
    connect(back_, &QPushButton::clicked, this, &OnboardingView::back);
    connect(primary_, &QPushButton::clicked, this, &OnboardingView::next);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(back_);
    layout->addStretch(1);
    layout->addWidget(primary_);
    return row;
}

std::optional<bool> OnboardingView::access(const std::string& id) const {
    const auto found = access_.find(id);
    if (found == access_.end())
        return std::nullopt;
    return found->second;
}

bool OnboardingView::canContinue() const {
    return OnboardingSteps::canContinue(step_, folders_, model_.config().rules);
}

void OnboardingView::next() {
    if (!canContinue())
        return;
    if (OnboardingSteps::isLast(step_)) {
        if (finish_)
            finish_(openAtLogin_);
        return;
    }
    // Cleaning starts once the user has said which folders to clean.
    if (step_ == OnboardingSteps::folders)
        model_.start();
    setStep(step_ + 1);
}

void OnboardingView::back() {
    if (step_ > 0)
        setStep(step_ - 1);
}

void OnboardingView::setStep(int step) {
    const bool changed = step != step_;
    step_ = step;
    pages_->setCurrentIndex(step);
    dots_->setCurrent(step);
    back_->setVisible(step > 0);
    primary_->setText(QString::fromStdString(OnboardingSteps::primaryTitle(step)));
    refresh();
    refreshSample();
    primary_->setFocus();
    if (changed) {
        // The new step fades in; the effect goes again once it has.
        auto* fade = new QGraphicsOpacityEffect(pages_);
        pages_->setGraphicsEffect(fade);
        auto* animation = new QPropertyAnimation(fade, "opacity", fade);
        animation->setDuration(stepFadeMs);
        animation->setStartValue(0.0);
        animation->setEndValue(1.0);
        animation->setEasingCurve(QEasingCurve::InOutQuad);
        connect(animation, &QPropertyAnimation::finished, pages_,
                [this] { pages_->setGraphicsEffect(nullptr); });
        animation->start();
        emit stepChanged(step);
    }
}

void OnboardingView::setFolderEnabled(const FolderChoice& choice, bool on) {
    model_.setFolderEnabled(choice.path, on, choice.ruleIDs(model_.config().rules));
    refresh();
    if (on)
        probe(choice);
}

void OnboardingView::probe(const FolderChoice& choice) {
    const fs::path folder = expandTilde(choice.path, model_.folders().home);
    QPointer<OnboardingView> self(this);
    // Opening a folder can wait on a slow or sleeping disk: never on the main thread.
    QThreadPool::globalInstance()->start([self, folder, id = choice.id] {
        std::error_code error;
        const fs::directory_iterator listing(folder, error);
        const bool granted = !error;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, id, granted] {
                if (self)
                    self->setAccess(id, granted);
            },
            Qt::QueuedConnection);
    });
}

void OnboardingView::setAccess(const std::string& id, bool granted) {
    access_[id] = granted;
    refresh();
    emit accessChanged();
}

void OnboardingView::refresh() {
    const auto& rules = model_.config().rules;
    for (FolderRow* row : rows_)
        row->setState(row->choice().enabled(rules), access(row->choice().id));
    const bool enabled = canContinue();
    primary_->setEnabled(enabled);
    if (enabled) {
        primary_->setGraphicsEffect(nullptr);
    } else if (!primary_->graphicsEffect()) {
        auto* dim = new QGraphicsOpacityEffect(primary_);
        dim->setOpacity(disabledOpacity);
        primary_->setGraphicsEffect(dim);
    }
}

void OnboardingView::createSample() {
    sampleStarted_ = true;
    sampleError_ = trySample_ ? trySample_() : std::nullopt;
    sampleButton_->setText(QStringLiteral("Create another"));
    refreshSample();
}

QString OnboardingView::sampleStatus() const {
    if (!sampleStarted_)
        return {};
    if (sampleError_)
        return QStringLiteral("Couldn't create the sample file: ") +
               QString::fromStdString(*sampleError_);
    // The soonest to leave comes first.
    for (const MatchedFile& file : model_.leaving()) {
        const std::string name = fs::path(file.url).filename().string();
        if (name.starts_with("Dustlyn Sample"))
            return QStringLiteral("Leaves in ") +
                   QString::fromStdString(
                       FileInsights::countdown(secondsBetween(clock_->now(), file.deadline))) +
                   QStringLiteral(". Watch the notch.");
    }
    return QStringLiteral("Moved to quarantine. Nothing is deleted for 7 days.");
}

void OnboardingView::refreshSample() {
    const bool live = sampleStarted_ && step_ == OnboardingSteps::tryIt && isVisible();
    if (live && !ticker_.isActive())
        ticker_.start();
    else if (!live)
        ticker_.stop();
    sampleStatus_->setVisible(sampleStarted_);
    const QString text = sampleStatus();
    if (sampleStatus_->text() != text)
        sampleStatus_->setText(text);
}

void OnboardingView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!accessChecked_) {
        accessChecked_ = true;
        for (const FolderChoice& choice : folders_)
            probe(choice);
    }
    refreshSample();
}

void OnboardingView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    ticker_.stop();
}

void OnboardingView::keyPressEvent(QKeyEvent* event) {
    // Return belongs to the primary button wherever the focus is, unless the focused
    // control used it already (a button, a switch).
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        primary_->isEnabled()) {
        primary_->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void OnboardingView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    QColor top = palette().color(QPalette::WindowText);
    top.setAlphaF(0.07f);
    QColor clear = top;
    clear.setAlphaF(0);
    QLinearGradient wash(0, 0, 0, windowHeight / 2.0);
    wash.setColorAt(0, top);
    wash.setColorAt(1, clear);
    painter.fillRect(QRectF(0, 0, windowWidth, windowHeight / 2.0), wash);
}

} // namespace dustlyn
