// The regional portal's venue codes (its "k_babaCode"), by venue name. The four Southern
// Kanto venues are built in; the settings add venues or give others codes.
#pragma once

#include <map>
#include <optional>

#include <QString>
#include <QStringList>

namespace kazeyomi {

class VenueCodes {
public:
    // 浦和 18, 船橋 19, 大井 20, 川崎 21.
    VenueCodes();
    // The built-in table with `overrides` laid over it.
    explicit VenueCodes(const std::map<QString, QString>& overrides);

    std::optional<QString> code(const QString& venue) const;
    const std::map<QString, QString>& table() const { return m_codes; }

private:
    std::map<QString, QString> m_codes;
};

// "門別:30, 大井:20" (or "=" for ":"): each entry a venue name and a code of digits. Entries
// that do not read are left out, each with a message in `errors`.
std::map<QString, QString> parseVenueCodes(const QString& text, QStringList& errors);

} // namespace kazeyomi
