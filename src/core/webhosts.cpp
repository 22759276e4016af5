#include "webhosts.h"

namespace tvx {

WebHosts WebHosts::production()
{
    return WebHosts{
        QStringLiteral("http://127.0.0.1:%1").arg(kDemoSitePort),
        QStringLiteral("http://www.facebook.com"),
        QStringLiteral("http://fanfou.com"),
    };
}

} // namespace tvx
