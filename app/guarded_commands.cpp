#include "app/guarded_commands.h"

#include <QStringList>

#include <array>
#include <cstdint>

#include "protocol/command_catalogue.h"

namespace {

struct Consequence {
    uint8_t code;
    const char* effect;  // what the display does, in a sentence
};

constexpr std::array kConsequences = {
    Consequence{0x10, "The display erases its stored configuration (its system sector)."},
    Consequence{0x37, "The display resets its service records."},
    Consequence{0x28, "The display resets all values of its on-board computer (BC)."},
};

// Where each control that sends one of them lives, so the question can point the user to it.
struct Place {
    const char* control;
    const char* where;
};

constexpr std::array kPlaces = {
    Place{"BitBtn34", "on the \"Config\" page"},
    Place{"BitBtn35", "on the \"ver.7.6-7.7 Disk Image Loader\" page"},
    Place{"Button38", "on the \"ver.7.6-7.7 Disk Image Loader\" page"},
    Place{"BitBtn21", "in the storage panel"},
    Place{"BitBtn20", "on the \"ver.7.5 SD File Manager\" page"},
    Place{"Button22", "in the storage panel"},
};

const Consequence* consequenceOf(const CommandControl& row)
{
    for (const Consequence& c : kConsequences)
        if (c.code == row.code && row.param == ParamKind::None)
            return &c;
    return nullptr;
}

QString placeOf(std::string_view control)
{
    for (const Place& p : kPlaces)
        if (control == p.control)
            return QString::fromLatin1(p.where);
    return QString();
}

QString quoted(const char* caption) { return QLatin1Char('"') + QString::fromUtf8(caption) + QLatin1Char('"'); }

}  // namespace

bool isGuardedCommand(std::string_view control)
{
    const CommandControl* row = findCommandControl(control);
    return row && consequenceOf(*row);
}

std::optional<Question> guardQuestion(std::string_view control)
{
    const CommandControl* row = findCommandControl(control);
    const Consequence* consequence = row ? consequenceOf(*row) : nullptr;
    if (!consequence)
        return std::nullopt;

    QStringList others;
    for (const CommandControl& other : commandControls()) {
        if (&other == row || other.code != row->code || !consequenceOf(other))
            continue;
        const QString where = placeOf(other.control);
        others << (where.isEmpty() ? quoted(other.caption) : quoted(other.caption) + QLatin1Char(' ') + where);
    }

    Question q;
    q.title = QString::fromUtf8(row->caption).trimmed();
    q.text = QStringLiteral("%1 sends command %2 to the display. %3 This cannot be undone.")
                 .arg(quoted(row->caption), QString::asprintf("0x%02X", unsigned{row->code}),
                      QString::fromLatin1(consequence->effect));
    if (others.size() == 1)
        q.text += QStringLiteral("\n\n%1 sends the same command.").arg(others.front());
    else if (others.size() > 1)
        q.text += QStringLiteral("\n\n%1 and %2 send the same command.")
                      .arg(others.mid(0, others.size() - 1).join(QStringLiteral(", ")), others.back());
    q.text += QStringLiteral("\n\nThe display then answers with its configuration, which fills the \"Config\" page.");
    q.confirmCaption = q.title;
    return q;
}
