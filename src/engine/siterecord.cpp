#include "siterecord.h"

#include "store/recordset.h"

namespace tvx::engine {

SiteRecord SiteRecord::fromCurrent(const store::Recordset& rs)
{
    SiteRecord r;
    for (const SiteRecordBinding& binding : kSiteRecordBindings) {
        if (binding.text)
            r.*binding.text = rs.text(binding.column);
        else if (binding.flag)
            r.*binding.flag = rs.boolean(binding.column);
    }
    r.Uid = rs.text(QStringLiteral("Uid"));
    r.Pwd = rs.text(QStringLiteral("Pwd"));
    return r;
}

} // namespace tvx::engine
