#pragma once

#include "sitedefinition.h"

#include <QList>

#include <optional>

// Ready definitions that "新建" offers: an empty site, and sites of well-known services whose pages are
// the same on every instance, so that the user gives only the instance's address.
namespace tvx::sites {

struct SiteTemplate {
    QString key;   // "empty", "shaarli"
    QString label; // as listed
    QString description;
    bool needsAddress = false;
};

const QList<SiteTemplate>& siteTemplates();

// The instance address as typed ("host/path", with or without the scheme and a trailing slash) made
// into "http(s)://host/path"; nothing when it cannot be one.
std::optional<QString> instanceAddress(const QString& typed);

// The definition a template gives; `address` is the instance address for templates that need one.
SiteDefinition fromTemplate(const QString& key, const QString& address = {});

} // namespace tvx::sites
