#include "transfer/image_fit.h"

#include "transfer/display_facts.h"

#include <QStringList>

namespace {
constexpr int64_t kMiB = display::kDiskMbBytes;

bool isSlot(int slot) { return slot >= 0 && slot < display::kImageSlots; }
}  // namespace

QString defaultImageName(int slot)
{
    return isSlot(slot) ? QString::fromLatin1(display::kImageNames[static_cast<size_t>(slot)]) : QString();
}

QString imageSlotLabel(int slot)
{
    return isSlot(slot) ? QString::fromLatin1(display::kImageLabels[static_cast<size_t>(slot)]) : QString();
}

std::optional<QString> imageFitConcern(const ImageFitCheck& check)
{
    QStringList concerns;
    const QString label = imageSlotLabel(check.slot);
    if (check.diskMb && *check.diskMb > 0 && check.fileSize > static_cast<int64_t>(*check.diskMb) * kMiB)
        concerns << QStringLiteral("%1 has %2 bytes; the display reported %3 Mb (%4 bytes) for \"%5\".")
                        .arg(check.fileName)
                        .arg(check.fileSize)
                        .arg(*check.diskMb)
                        .arg(static_cast<int64_t>(*check.diskMb) * kMiB)
                        .arg(label);
    for (int other = 0; other < display::kImageSlots; ++other) {
        if (other != check.slot && check.fileName.compare(defaultImageName(other), Qt::CaseInsensitive) == 0)
            concerns << QStringLiteral("%1 is the default name of slot \"%2\", not of \"%3\".")
                            .arg(check.fileName, imageSlotLabel(other), label);
    }
    if (concerns.isEmpty())
        return std::nullopt;
    return concerns.join(QLatin1Char(' '));
}
