#include "app/onboarding/OnboardingWindow.h"

#include "app/onboarding/OnboardingView.h"

#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

namespace dustlyn {

OnboardingWindow::OnboardingWindow(OnboardingView* view, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      view_(view) {
    setWindowTitle(QStringLiteral("Dustlyn"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view);
    setFixedSize(OnboardingView::windowWidth, OnboardingView::windowHeight);
}

void OnboardingWindow::placeOnScreen() {
    const QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame(QPoint(), size());
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

void OnboardingWindow::closeEvent(QCloseEvent* event) {
    if (onClose)
        onClose();
    QWidget::closeEvent(event);
}

} // namespace dustlyn
