#include "ui/Composition.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QPointer>
#include <QTimer>

namespace ui::Composition {
namespace {

// How long a late copy of a committed word is waited for; the input method sends it within milliseconds.
constexpr int LateCopyWindowMs = 2000;
// The toolkit commits the composition and takes the focus from the box in one step; a commit that the user confirmed
// is followed by a loss of focus only after a human pause.
constexpr int SameStepMs = 100;

class Watcher : public QObject
{
public:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void settle();

    QPointer<QObject> composingIn; // the box the word is typed in
    QString composed;              // the word as shown there

private:
    void expectLateCopy(const QString& text);
    bool isLateCopy(const QInputMethodEvent& event);

    QString m_lateCopy; // a word committed here that the input method may send again
    QDeadlineTimer m_lateCopyDeadline;
    // A commit of the whole composition followed at once by the box losing the focus is the toolkit's own commit on
    // a change of focus, which the input method follows with a late copy too.
    QPointer<QObject> m_lastCommitTarget;
    QString m_lastCommit;
    QElapsedTimer m_sinceLastCommit;
    // A click in the box the word is typed in makes the toolkit commit the word there and reset the input method,
    // which then sends the word again; no change of focus follows. Set while such a mouse event is delivered.
    QPointer<QObject> m_clickedBox;
};

Watcher* g_watcher = nullptr;

void Watcher::expectLateCopy(const QString& text)
{
    m_lateCopy = text;
    m_lateCopyDeadline.setRemainingTime(LateCopyWindowMs);
}

bool Watcher::isLateCopy(const QInputMethodEvent& event)
{
    if (m_lateCopy.isEmpty()) {
        return false;
    }
    if (m_lateCopyDeadline.hasExpired()) {
        m_lateCopy.clear();
        return false;
    }
    if (event.commitString().isEmpty() && event.preeditString().isEmpty()) {
        return false; // the input method clearing its composition: harmless, and the copy may still follow
    }
    const bool copy = event.commitString() == m_lateCopy && event.preeditString().isEmpty();
    m_lateCopy.clear(); // anything else the input method sends means no copy is coming
    return copy;
}

bool Watcher::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::InputMethod: {
        const auto& im = static_cast<const QInputMethodEvent&>(*event);
        if (isLateCopy(im)) {
            return true;
        }
        const bool wholeWordCommitted = watched == composingIn && !composed.isEmpty() &&
                                        im.commitString() == composed && im.preeditString().isEmpty();
        if (wholeWordCommitted && watched == m_clickedBox) {
            expectLateCopy(composed);
        }
        m_lastCommitTarget = wholeWordCommitted ? watched : nullptr;
        m_lastCommit = wholeWordCommitted ? composed : QString();
        m_sinceLastCommit.start();
        if (!im.preeditString().isEmpty()) {
            composingIn = watched;
            composed = im.preeditString();
        } else if (watched == composingIn) {
            composingIn = nullptr;
            composed.clear();
        }
        break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        if (watched == composingIn) {
            m_clickedBox = watched;
            // Cleared once the event has been delivered: a commit that comes later is the user's own.
            QTimer::singleShot(0, this, [this] { m_clickedBox = nullptr; });
        }
        break;
    case QEvent::FocusOut: {
        const auto reason = static_cast<const QFocusEvent&>(*event).reason();
        if (watched == m_lastCommitTarget && !m_sinceLastCommit.hasExpired(SameStepMs) &&
            reason != Qt::PopupFocusReason && reason != Qt::MenuBarFocusReason) {
            expectLateCopy(m_lastCommit);
        }
        m_lastCommitTarget = nullptr;
        break;
    }
    default:
        break;
    }
    return false;
}

void Watcher::settle()
{
    if (!composingIn || composed.isEmpty()) {
        return;
    }
    const QString word = composed;
    QPointer<QObject> box = composingIn;
    composingIn = nullptr;
    composed.clear();
    QInputMethodEvent commit;
    commit.setCommitString(word);
    QCoreApplication::sendEvent(box, &commit);
    // The input method forgets the word; one that commits on reset sends it again, and that copy is dropped.
    QGuiApplication::inputMethod()->reset();
    expectLateCopy(word);
    m_lastCommitTarget = nullptr;
}

} // namespace

void install()
{
    if (!g_watcher && QCoreApplication::instance()) {
        g_watcher = new Watcher;
        g_watcher->setParent(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(g_watcher);
    }
}

void settle()
{
    if (g_watcher) {
        g_watcher->settle();
    }
}

QString pending()
{
    return g_watcher ? g_watcher->composed : QString();
}

} // namespace ui::Composition
