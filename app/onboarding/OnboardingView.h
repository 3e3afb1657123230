#pragma once

#include "app/model/Clock.h"
#include "app/onboarding/FolderChoice.h"

#include <QTimer>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QPushButton;
class QStackedWidget;

namespace dustlyn {

class AppModel;
class FolderRow;
class StepDots;
class SwitchButton;

// The first-run window's content: welcome, the folders to clean, a live trial with a
// sample file, and the login item; "Back", the primary button and the step dots below.
class OnboardingView : public QWidget {
    Q_OBJECT

public:
    // Creates a sample file; returns why it could not, or nothing when it worked.
    using TrySample = std::function<std::optional<std::string>()>;
    // The last step's button: the user is done, and asked to open Dustlyn at login or not.
    using Finish = std::function<void(bool openAtLogin)>;

    static constexpr int windowWidth = 520;
    static constexpr int windowHeight = 640;

    OnboardingView(AppModel& model, std::shared_ptr<Clock> clock, TrySample trySample,
                   Finish finish, QWidget* parent = nullptr);

    int step() const { return step_; }
    const std::vector<FolderChoice>& folders() const { return folders_; }
    // Whether the choice's folder could be listed; nothing until a probe answered.
    std::optional<bool> access(const std::string& id) const;
    bool sampleStarted() const { return sampleStarted_; }
    bool openAtLogin() const { return openAtLogin_; }
    bool canContinue() const;
    // The try-it step's status line as it reads now; empty before the first sample.
    QString sampleStatus() const;

    // The primary button: on to the next step (leaving the folder step starts the model),
    // and on the last one, finishing.
    void next();
    void back();
    // The card's switch: turns the choice's rules on or off, and looks at the folder again.
    void setFolderEnabled(const FolderChoice& choice, bool on);
    // Lists the choice's folder on a worker thread; the answer lands on this thread.
    void probe(const FolderChoice& choice);

signals:
    void stepChanged(int step);
    void accessChanged();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* logo();
    QWidget* welcomePage();
    QWidget* foldersPage();
    QWidget* tryPage();
    QWidget* donePage();
    QWidget* navigation();
    void setStep(int step);
    void setAccess(const std::string& id, bool granted);
    void refresh();
    void refreshSample();
    void createSample();

    AppModel& model_;
    std::shared_ptr<Clock> clock_;
    TrySample trySample_;
    Finish finish_;
    std::vector<FolderChoice> folders_;
    int step_ = 0;
    std::map<std::string, bool> access_;
    bool sampleStarted_ = false;
    bool openAtLogin_ = true;
    bool accessChecked_ = false;
    std::optional<std::string> sampleError_;

    QStackedWidget* pages_ = nullptr;
    std::vector<FolderRow*> rows_;
    QPushButton* sampleButton_ = nullptr;
    QLabel* sampleStatus_ = nullptr;
    SwitchButton* loginSwitch_ = nullptr;
    StepDots* dots_ = nullptr;
    QPushButton* back_ = nullptr;
    QPushButton* primary_ = nullptr;
    QTimer ticker_;
};

} // namespace dustlyn
