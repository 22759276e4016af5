#pragma once

#include "engine/browser.h"
#include "engine/runhost.h"
#include "engine/runrecorder.h"
#include "engine/ticker.h"

#include <QList>
#include <QMap>
#include <QSet>
#include <QStringList>

#include <functional>

namespace tvx::test {

// A window timer the test fires by hand.
class FakeTicker final : public engine::Ticker {
public:
    void setEnabled(bool enabled) override { m_enabled = enabled; }
    bool isEnabled() const override { return m_enabled; }
    // Delivers one tick when enabled (a disabled timer does not tick).
    void fire()
    {
        if (m_enabled)
            tick();
    }

private:
    bool m_enabled = false;
};

// A page as the fakes see it: which ids and names exist, and the values of its inputs in order.
struct FakePage {
    QSet<QString> ids;
    QSet<QString> names;
    QStringList inputValues;
    QString logoutHref; // the href of a "退出" link, if any
    // The page stands for every page of the site: the one after the login shows the login form again
    // only when the site refuses the login.
    bool refusesLogin = false;

    bool has(const engine::ElementLookup& l) const
    {
        return l.by == engine::ElementLookup::Id ? ids.contains(l.key) : names.contains(l.key);
    }
    // Carries out a step the way the page script does.
    engine::StepResult run(const engine::PageStep& step) const;
};

// The worker browser: records what the engine asks of it and answers page steps when the test says.
class FakeBrowser final : public engine::Browser {
public:
    void navigate(const QString& address) override { calls.append(QStringLiteral("navigate ") + address); }
    void stop() override { calls.append(QStringLiteral("stop")); }
    void freshSession() override { calls.append(QStringLiteral("fresh")); }
    void hold(bool h) override
    {
        if (h)
            calls.append(QStringLiteral("hold"));
        held = h;
    }
    void setSilent(bool s) override { silent = s; }
    void runScript(const QString& code) override { calls.append(QStringLiteral("script ") + code); }
    void runStep(const engine::PageStep& step, std::function<void(const engine::StepResult&)> done) override
    {
        calls.append(QStringLiteral("step"));
        steps.append(step);
        pending.append(std::move(done));
    }

    // Answers the oldest step still waiting; with no result given, the current page answers it.
    void answer(const engine::StepResult& result)
    {
        auto done = pending.takeFirst();
        done(result);
    }
    void answer() { answer(page.run(steps.at(steps.size() - pending.size()))); }
    // Answers every waiting step (and those the answers cause) from the current page.
    void answerAll()
    {
        while (!pending.isEmpty())
            answer();
    }
    QStringList navigations() const;
    QString lastCall() const { return calls.isEmpty() ? QString() : calls.last(); }

    QStringList calls;
    QList<engine::PageStep> steps;
    QList<std::function<void(const engine::StepResult&)>> pending;
    FakePage page;
    bool silent = false;
    bool held = false;
};

// The window hosting a run.
class FakeHost final : public engine::RunHost {
public:
    void addLog(const QString& message) override { log.append(message); }
    qint32 rowCount() const override { return qint32(rows.size()); }
    tvx::Bookmark bookmark(qint32 row) const override
    {
        return row >= 1 && row <= rows.size() ? rows.at(row - 1) : tvx::Bookmark{};
    }
    bool hasSelectedRow() const override { return selected; }
    void focusUrlList() override { focused = true; }
    void setProgress(int p) override { progress.append(p); }
    void setProgressVisible(bool v) override { progressVisible = v; }
    void setButtonEnabled(engine::RunButton b, bool e) override { enabled[b] = e; }
    void setButtonCaption(engine::RunButton b, const QString& c) override { captions[b] = c; }
    QString buttonCaption(engine::RunButton b) const override;
    void showInformation(const QString& text) override
    {
        infos.append(text);
        if (onInformation)
            onInformation();
    }
    void showError(const QString& text) override { errors.append(text); }
    std::optional<QString> chooseSubmitSites() override { return chosenSites; }

    bool isEnabled(engine::RunButton b) const { return enabled.value(b, true); }

    QList<tvx::Bookmark> rows;
    bool selected = true;
    bool focused = false;
    QStringList log;
    QList<int> progress;
    bool progressVisible = true;
    QMap<engine::RunButton, bool> enabled;
    QMap<engine::RunButton, QString> captions;
    QStringList infos;
    QStringList errors;
    std::optional<QString> chosenSites;
    std::function<void()> onInformation; // runs while the "提示" box is open
};

// Writes down what a run tells its recorder, one line per call.
class FakeRecorder final : public engine::RunRecorder {
public:
    void runStarted(const QDateTime& start, int siteRecords, int bookmarks) override;
    void accountStarted(int position, const QString& webName, const QString& uid) override;
    void bookmarkOutcome(int position, int row, Outcome outcome, int stage) override;
    void siteAnswered(int position, int row, const QString& answer) override;
    void stepFailed(int stage, int row, Failure failure) override;
    void runEnded(bool aborted) override;

    QStringList calls;
    QDateTime started;
    std::function<void()> onFailure; // runs inside stepFailed
};

} // namespace tvx::test
