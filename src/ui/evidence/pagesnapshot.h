#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <deque>
#include <functional>

class QWebEngineView;

namespace tvx::ui {

class SnapshotPage;

// Draws a page's document as a whole, at an ordinary desktop width, in a browser view of its own that
// is never on screen: the worker browser stays as it is and the run does not wait. The document (the
// live page serialised at the failure) is shown with its scripts off and every navigation refused, so
// that drawing it again does nothing on the site; its style sheets and pictures load from its address.
// One document at a time, in the order asked for; each answer comes on the user-interface thread.
class PageSnapshot final : public QObject {
    Q_OBJECT
public:
    static constexpr int kWidth = 1280;
    static constexpr int kMaxHeight = 4000;
    // How long one document may take to be drawn; then the answer is an empty picture.
    static constexpr int kGuardMs = 10000;

    using Answer = std::function<void(const QImage& picture)>;

    explicit PageSnapshot(QObject* parent = nullptr);
    ~PageSnapshot() override;

    // Draws `html` as a page at `address`; `answer` gets the picture (kWidth wide, the document's
    // height up to kMaxHeight), or an empty one when it could not be drawn.
    void draw(const QString& html, const QUrl& address, Answer answer);

private:
    struct Job {
        QString html;
        QUrl address;
        Answer answer;
    };
    void next();
    void loaded(bool ok);
    void measured(int height);
    void poll();
    void finish(const QImage& picture);
    void release();

    QWebEngineView* m_view = nullptr;
    SnapshotPage* m_page = nullptr;
    std::deque<Job> m_jobs;
    bool m_busy = false;
    int m_height = 0;
    int m_serial = 0; // the job under way; late answers of an earlier one are dropped
    int m_polls = 0;
};

} // namespace tvx::ui
