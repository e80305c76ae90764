#include "racecards/waku.h"

namespace kazeyomi {

quint8 Waku_get(qint16 runners, qint16 horse)
{
    const int m = 8 - (runners % 8);
    int result = horse;
    if (runners >= 16) {
        result = (horse + 1) / 2;
        if (horse == 15)
            result = runners == 18 ? 7 : 8;
        else if (horse > 16)
            result = 8;
    } else if (runners > 8 && horse > m) {
        result = (horse + 1 + m) / 2;
    }
    return quint8(result);
}

} // namespace kazeyomi
