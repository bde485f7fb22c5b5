#include "app/frame_window.h"

#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressDialog>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <algorithm>
#include <limits>
#include <thread>

#include "app/clipboard.h"
#include "app/core/app_form.h"
#include "app/gl_view.h"
#include "app/picture.h"
#include "interaction/command_table.h"

using namespace app::core;
using namespace camera;
using namespace input;
using namespace interaction;
using namespace model::edit;
using namespace model;
using namespace services;

namespace app {

namespace {

// Local files among dropped URLs, in their order.
QStringList LocalFiles(const QMimeData* mime) {
    QStringList files;
    if (!mime || !mime->hasUrls()) return files;
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile()) files << url.toLocalFile();
    }
    return files;
}

// A recent-files item: its number as the mnemonic, then the path (a long one shortened
// in the middle, where the folders matter least).
QString RecentItemText(int index, const std::string& path) {
    constexpr int kMaxChars = 70;
    QString shown = QDir::toNativeSeparators(QFile::decodeName(QByteArray::fromStdString(path)));
    if (shown.size() > kMaxChars)
        shown = shown.left(kMaxChars / 2 - 1) + QChar(0x2026) + shown.right(kMaxChars / 2);
    shown.replace('&', QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(shown);
}

}  // namespace

CAppFrameWnd::CAppFrameWnd(CGlView* view) : view_(view) {
    setWindowTitle(QStringLiteral("ТОР-ВИН"));
    setCentralWidget(view_);
    BuildMenu();
    placementTimer_.setSingleShot(true);
    placementTimer_.setInterval(400);
    connect(&placementTimer_, &QTimer::timeout, this, &CAppFrameWnd::RecordPlacement);
}

CAppFrameWnd::~CAppFrameWnd() = default;

QMenu* CAppFrameWnd::AddTrackedMenu(QMenu* menu) {
    connect(menu, &QMenu::aboutToShow, this, [this] { emit MenuShown(true); });
    connect(menu, &QMenu::aboutToHide, this, [this] { emit MenuShown(false); });
    return menu;
}

void CAppFrameWnd::BuildMenu() {
    using interaction::MenuEntry;
    for (const interaction::MenuPopup& popup : interaction::Menu()) {
        QMenu* menu = AddTrackedMenu(menuBar()->addMenu(QString::fromUtf8(popup.title)));
        QMenu* current = menu;
        for (const MenuEntry& entry : popup.entries) {
            switch (entry.kind) {
                case MenuEntry::Kind::Separator:
                    current->addSeparator();
                    break;
                case MenuEntry::Kind::SubmenuBegin:
                    current = AddTrackedMenu(current->addMenu(QString::fromUtf8(entry.text)));
                    break;
                case MenuEntry::Kind::SubmenuEnd:
                    current = menu;
                    break;
                case MenuEntry::Kind::RecentFiles:
                    // A fixed set of items whose texts follow the list: an item is never
                    // deleted while its own command runs.
                    recentMenu_ = AddTrackedMenu(current->addMenu(QString::fromUtf8(entry.text)));
                    for (int i = 0; i < cmd::kRecentFileCount; ++i) {
                        QAction* action = recentMenu_->addAction(QString());
                        action->setVisible(false);
                        const int id = cmd::kRecentFileFirst + i;
                        connect(action, &QAction::triggered, this,
                                [this, id] { emit CommandChosen(id); });
                        actions_[id] = action;
                    }
                    recentMenu_->menuAction()->setEnabled(false);
                    break;
                case MenuEntry::Kind::Item: {
                    const interaction::Command* command = interaction::Find(entry.id);
                    if (!command) break;
                    // The key label is text only: keys go through our own accelerator
                    // table after the input dispatcher, never through Qt shortcuts.
                    QString text = QString::fromUtf8(command->menuText);
                    if (*command->keyLabel) text += '\t' + QString::fromUtf8(command->keyLabel);
                    QAction* action = current->addAction(text);
                    action->setCheckable(command->check != interaction::Check::None);
                    // Greyed out until the form says otherwise (nothing to undo yet).
                    action->setEnabled(command->enable == interaction::Enable::Always);
                    const int id = entry.id;
                    connect(action, &QAction::triggered, this, [this, action, id] {
                        // The handler and RefreshCheckMarks decide the check mark.
                        if (action->isCheckable()) action->setChecked(!action->isChecked());
                        emit CommandChosen(id);
                    });
                    actions_[id] = action;
                    break;
                }
            }
        }
    }
}

QAction* CAppFrameWnd::ActionFor(int commandId) const {
    auto it = actions_.find(commandId);
    return it == actions_.end() ? nullptr : it->second;
}

void CAppFrameWnd::SetMenuCheck(int commandId, bool checked) {
    if (QAction* action = ActionFor(commandId)) action->setChecked(checked);
}

void CAppFrameWnd::SetMenuEnabled(int commandId, bool enabled) {
    if (QAction* action = ActionFor(commandId)) action->setEnabled(enabled);
}

void CAppFrameWnd::SetMenuText(int commandId, const std::string& text) {
    QAction* action = ActionFor(commandId);
    const interaction::Command* command = interaction::Find(commandId);
    if (!action || !command) return;
    QString shown = QString::fromStdString(text);
    if (*command->keyLabel) shown += '\t' + QString::fromUtf8(command->keyLabel);
    action->setText(shown);
}

bool CAppFrameWnd::PutBranchOnClipboard(const std::vector<uint8_t>& bytes,
                                        const std::string& text) {
    return app::PutBranchOnClipboard(bytes, text);
}

std::optional<std::vector<uint8_t>> CAppFrameWnd::BranchOnClipboard() {
    return app::BranchOnClipboard();
}

void CAppFrameWnd::SetRecentFiles(const std::vector<std::string>& paths) {
    if (!recentMenu_) return;
    for (int i = 0; i < cmd::kRecentFileCount; ++i) {
        QAction* action = ActionFor(cmd::kRecentFileFirst + i);
        const bool used = static_cast<size_t>(i) < paths.size();
        action->setText(used ? RecentItemText(i, paths[static_cast<size_t>(i)]) : QString());
        action->setVisible(used);
    }
    recentMenu_->menuAction()->setEnabled(!paths.empty());
}

void CAppFrameWnd::PostCloseToMainWindow() {
    QTimer::singleShot(0, this, [this] { close(); });
}

void CAppFrameWnd::ShowFullScreen(bool fullScreen) {
    // Full screen is this same window without menu bar: the view and its GL context stay
    // where they are.
    if (fullScreen) {
        if (!isFullScreen()) {
            stateBeforeFullScreen_ = windowState();
            geometryBeforeFullScreen_ = normalGeometry();
        }
        menuBar()->hide();
        showFullScreen();
        // Without a window manager nobody acts on the full-screen request: the window
        // takes the screen itself (a window manager gives it the same). Through the
        // platform window, which leaves the widget's full-screen state as it is.
        if (const QScreen* s = screen(); s && windowHandle())
            windowHandle()->setGeometry(s->geometry());
    } else {
        menuBar()->show();
        if (isFullScreen()) {
            setWindowState(stateBeforeFullScreen_ & ~Qt::WindowFullScreen);
            // The same for the way back: the window's earlier place and size.
            if (!(stateBeforeFullScreen_ & Qt::WindowMaximized) &&
                geometryBeforeFullScreen_.isValid())
                setGeometry(geometryBeforeFullScreen_);
            show();
        }
    }
}

void CAppFrameWnd::ViewSize(int* width, int* height) {
    *width = view_->width();
    *height = view_->height();
}

void CAppFrameWnd::SetTitle(const std::string& title) {
    setWindowTitle(QString::fromStdString(title));
}

bool CAppFrameWnd::EncodeViewPicture(const std::string& format, const PictureOptions& options,
                                     std::vector<uint8_t>* bytes, std::string* error) {
    if (!form_ || !view_->ContextReady()) {
        *error = "в окне нет изображения";
        return false;
    }
    render::RenderedImage image;
    bool drawn = false;
    view_->WithContext([&] { drawn = RenderViewPicture(*form_, *view_, options, &image, error); });
    if (!drawn) return false;
    QByteArray encoded;
    if (!EncodePicture(image, format.c_str(), options.transparent, &encoded)) {
        *error = "не удалось закодировать изображение";
        return false;
    }
    bytes->assign(encoded.begin(), encoded.end());
    return true;
}

void CAppFrameWnd::Post(std::function<void()> work) {
    // Queued to this window: it runs on the user-interface thread, and not at all once
    // the window is gone. What it changed may show, so a frame follows.
    QMetaObject::invokeMethod(
        this,
        [this, work = std::move(work)] {
            work();
            view_->Kick();
        },
        Qt::QueuedConnection);
}

bool CAppFrameWnd::RunWithProgress(const std::string& text,
                                   const std::function<std::optional<double>()>& poll) {
    // The job runs elsewhere; here the window keeps painting. Until the progress dialog
    // shows, keys and clicks wait; once it shows, it is modal, so only its Cancel button
    // takes them.
    constexpr int kSteps = 1000;
    constexpr int kShown = 1;  // the loop's exit code when the dialog has just appeared
    QProgressDialog dialog(QString::fromStdString(text), QStringLiteral("Отмена"), 0, kSteps, this);
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setMinimumDuration(std::numeric_limits<int>::max());  // shown by us, below
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    bool cancelled = false;
    QTimer timer;
    connect(&timer, &QTimer::timeout, &loop, [&] {
        const std::optional<double> done = poll();
        if (!done) {
            loop.exit(0);
            return;
        }
        // Both setValue and show may run events, Cancel among them: a Cancel seen there
        // must not be overridden by the exit that asks for user input.
        dialog.setValue(static_cast<int>(std::clamp(*done, 0.0, 1.0) * kSteps));
        if (!cancelled && !dialog.isVisible() && clock.elapsed() >= kProgressDelayMs) {
            dialog.show();
            if (!cancelled) loop.exit(kShown);
        }
    });
    connect(&dialog, &QProgressDialog::canceled, &loop, [&] {
        cancelled = true;
        loop.exit(0);
    });
    waiting_ = true;
    timer.start(30);
    while (!cancelled &&
           loop.exec(dialog.isVisible() ? QEventLoop::AllEvents
                                        : QEventLoop::ExcludeUserInputEvents) == kShown) {
    }
    timer.stop();
    // The editor pauses while its window is inactive; without a window manager (or with
    // one that does not hand it back) it would stay so once the dialog that held the
    // activation is gone.
    const bool hadActivation = dialog.isActiveWindow();
    dialog.hide();
    if (hadActivation) activateWindow();
    waiting_ = false;
    return !cancelled;
}

void CAppFrameWnd::FitViewTo(int w, int h) {
    const QSize extra = size() - view_->size();
    resize(w + extra.width(), h + extra.height());
}

void CAppFrameWnd::ShowPlaced(const std::optional<WindowPlacement>& saved) {
    // A place on a screen that is gone (another monitor, a smaller resolution) is not
    // worth keeping: at least a corner of the window must be there to grab.
    auto onAScreen = [](const QRect& r) {
        for (const QScreen* screen : QGuiApplication::screens()) {
            const QRect seen = screen->availableGeometry().intersected(r);
            if (seen.width() >= 100 && seen.height() >= 50) return true;
        }
        return false;
    };
    QRect place;
    bool maximized = false;
    if (saved && onAScreen({saved->x, saved->y, saved->width, saved->height})) {
        place = {saved->x, saved->y, saved->width, saved->height};
        maximized = saved->maximized;
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        // The view the classic form had (520 x 350) at least, with the menu bar above it.
        const WindowPlacement first =
            FirstPlacement({area.x(), area.y(), area.width(), area.height()}, 520,
                           350 + menuBar()->sizeHint().height());
        place = {first.x, first.y, first.width, first.height};
    }
    if (place.isValid()) setGeometry(place);
    if (maximized) {
        showMaximized();
    } else {
        show();
    }
}

void CAppFrameWnd::RecordPlacement() {
    placementTimer_.stop();
    if (!form_ || !isVisible() || isFullScreen() || isMinimized()) return;
    // The normal area also while maximised: it is what un-maximising gives back.
    const QRect r = isMaximized() ? normalGeometry() : geometry();
    if (!r.isValid()) return;
    form_->SetWindowPlacement({r.x(), r.y(), r.width(), r.height(), isMaximized()});
}

void CAppFrameWnd::closeEvent(QCloseEvent* event) {
    if (waiting_) {  // the work in progress reads the construction: not now
        event->ignore();
        return;
    }
    if (closing_) {
        event->accept();
        return;
    }
    if (form_) {
        bool mayClose = true;
        view_->WithContext([&] { mayClose = form_->QueryClose(); });
        if (!mayClose) {
            event->ignore();
            view_->Kick();
            return;
        }
    }
    closing_ = true;
    RecordPlacement();
    emit Closing();
    event->accept();
}

// While a job waits (an export), a dropped file is refused, as closing is: opening it
// would replace the construction under the progress dialog.
void CAppFrameWnd::dragEnterEvent(QDragEnterEvent* event) {
    if (!waiting_ && !LocalFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void CAppFrameWnd::dropEvent(QDropEvent* event) {
    if (waiting_) {
        event->ignore();
        return;
    }
    const QStringList files = LocalFiles(event->mimeData());
    if (files.isEmpty()) return;
    event->acceptProposedAction();
    emit FilesDropped(files);
}

bool CAppFrameWnd::event(QEvent* event) {
    const bool result = QMainWindow::event(event);
    const QEvent::Type type = event->type();
    if (type == QEvent::WindowStateChange || type == QEvent::Show) {
        // Coming back from minimised restarts the idle frames.
        view_->Kick();
    }
    if (type == QEvent::Move || type == QEvent::Resize || type == QEvent::WindowStateChange)
        placementTimer_.start();
    return result;
}

}  // namespace app
