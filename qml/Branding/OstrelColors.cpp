#include "OstrelColors.h"

OstrelColors *OstrelColors::create(QQmlEngine *, QJSEngine *)
{
    return new OstrelColors();
}
