#include "formfill.h"

#include "sitequirks.h"

namespace tvx::engine::forms {

namespace {
QString trimBlanks(const QString& text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text.at(start) == QLatin1Char(' '))
        ++start;
    while (end > start && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(start, end - start);
}

int append(QList<PageOp>& ops, PageOp op)
{
    ops.append(std::move(op));
    return int(ops.size()) - 1;
}

// A field located by id, else by name; skipped when both columns are empty.
void setField(QList<PageOp>& ops, const QString& id, const QString& name, const QString& value)
{
    if (id.isEmpty() && name.isEmpty())
        return;
    append(ops, PageOp{PageOp::SetValue, lookup(id, name), value});
}

// A further field: "true" and "false" (exactly) set a check box, anything else is written as text.
void setFurtherField(QList<PageOp>& ops, const QString& id, const QString& name, const QString& value)
{
    if (id.isEmpty() && name.isEmpty())
        return;
    if (value == QLatin1String("true") || value == QLatin1String("false"))
        append(ops, PageOp{PageOp::SetChecked, lookup(id, name), {}, value == QLatin1String("true")});
    else
        append(ops, PageOp{PageOp::SetValue, lookup(id, name), value});
}
} // namespace

int Press::count(const StepResult& result) const
{
    if (op < 0)
        return 0;
    if (!byScan)
        return 1;
    return result.outcome(op);
}

QString JoinTags(const QString& tags, const QString& separator)
{
    if (tags.isEmpty())
        return {};
    return tags.split(QLatin1Char(' '), Qt::KeepEmptyParts).join(separator);
}

ElementLookup lookup(const QString& id, const QString& name)
{
    if (!id.isEmpty())
        return {ElementLookup::Id, id};
    return {ElementLookup::Name, name};
}

void FillLoginFields(QList<PageOp>& ops, const SiteRecord& site)
{
    // The login fields are the only ones whose presence is tested before writing.
    append(ops, PageOp{PageOp::FillIfPresent, lookup(site.UidFieldId, site.UidFieldName), site.Uid});
    append(ops, PageOp{PageOp::FillIfPresent, lookup(site.PwdFieldId, site.PwdFieldName), site.Pwd});
}

Press PressLoginButton(QList<PageOp>& ops, const SiteRecord& site, const SiteQuirks& quirks, bool endIfPressed)
{
    if (!quirks.loginFormName.isEmpty())
        return {append(ops, PageOp{PageOp::SubmitForm, {ElementLookup::Name, quirks.loginFormName}}), false};
    if (!site.LoginButtonName.isEmpty()) {
        const auto kind = quirks.loginButtonIsForm ? PageOp::SubmitForm : PageOp::Click;
        return {append(ops, PageOp{kind, {ElementLookup::Name, site.LoginButtonName}}), false};
    }
    PageOp scan{PageOp::ClickFirstInputByTrimmedValue, {}, trimBlanks(site.LoginButtonValue)};
    scan.endIfPressed = endIfPressed;
    return {append(ops, scan), true};
}

void FillSubmitFields(QList<PageOp>& ops, const SiteRecord& site, const SiteQuirks& quirks, const Bookmark& bookmark)
{
    setField(ops, site.TitleFieldId, site.TitleFieldName, bookmark.title);
    setField(ops, site.UrlFieldId, site.UrlFieldName, bookmark.url);
    const QString separator = site.TagsSplit.isEmpty() ? QStringLiteral(" ") : site.TagsSplit;
    setField(ops, site.TagsFieldId, site.TagsFieldName, JoinTags(bookmark.tags, separator));
    if (quirks.fillsSummary) {
        // A summary of blanks only gives way to the title.
        const QString summary = trimBlanks(bookmark.summary).isEmpty() ? bookmark.title : bookmark.summary;
        setField(ops, site.SummaryFieldId, site.SummaryFieldName, summary);
    } else if (site.own) {
        setField(ops, site.SummaryFieldId, site.SummaryFieldName, bookmark.summary);
    }
    setFurtherField(ops, site.OtherFieldID1, site.OtherFieldName1, site.OtherFieldValue1);
    setFurtherField(ops, site.OtherFieldID2, site.OtherFieldName2, site.OtherFieldValue2);
}

Press PressSubmitButton(QList<PageOp>& ops, const SiteRecord& site)
{
    if (!site.SubmitButtonId.isEmpty())
        return {append(ops, PageOp{PageOp::Click, {ElementLookup::Id, site.SubmitButtonId}}), false};
    if (!site.SubmitButtonName.isEmpty())
        return {append(ops, PageOp{PageOp::Click, {ElementLookup::Name, site.SubmitButtonName}}), false};
    return {append(ops, PageOp{PageOp::ClickInputsByValueIgnoringCase, {}, site.SubmitButtonValue}), true};
}

} // namespace tvx::engine::forms
