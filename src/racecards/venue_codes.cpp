#include "racecards/venue_codes.h"

#include <QRegularExpression>

namespace kazeyomi {

using namespace Qt::StringLiterals;

VenueCodes::VenueCodes()
    : m_codes{{u"浦和"_s, u"18"_s}, {u"船橋"_s, u"19"_s}, {u"大井"_s, u"20"_s}, {u"川崎"_s, u"21"_s}}
{
}

VenueCodes::VenueCodes(const std::map<QString, QString>& overrides) : VenueCodes()
{
    for (const auto& [venue, code] : overrides)
        m_codes[venue] = code;
}

std::optional<QString> VenueCodes::code(const QString& venue) const
{
    const auto it = m_codes.find(venue);
    return it == m_codes.end() ? std::nullopt : std::optional(it->second);
}

std::map<QString, QString> parseVenueCodes(const QString& text, QStringList& errors)
{
    // The code goes into an address unescaped: digits only.
    static const QRegularExpression digits(u"^[0-9]{1,4}$"_s);
    std::map<QString, QString> codes;
    for (const QString& raw : text.split(u',', Qt::SkipEmptyParts)) {
        const QString entry = raw.trimmed();
        if (entry.isEmpty())
            continue;
        const qsizetype sep = entry.indexOf(QRegularExpression(u"[:=]"_s));
        const QString venue = sep > 0 ? entry.left(sep).trimmed() : QString();
        const QString code = sep > 0 ? entry.mid(sep + 1).trimmed() : QString();
        if (venue.isEmpty() || !digits.match(code).hasMatch()) {
            errors << u"venue code \"%1\" is not a venue name, \":\" and a number"_s.arg(entry);
            continue;
        }
        codes[venue] = code;
    }
    return codes;
}

} // namespace kazeyomi
