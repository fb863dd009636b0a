#include "transfer/image_fit.h"

#include <QStringList>

namespace {
constexpr const char* kDefaultNames[8] = {"sys.imz",   "disk1.imz", "disk2.imz", "disk3.imz",
                                          "fdisk.imz", "backs.imz", "diag.imz",  "logos.imz"};
constexpr const char* kLabels[8] = {"1. sys.imz",   "2. diask1.imz", "3. disk2.imz", "4. disk3.imz",
                                    "5. fdisk.imz", "6. backs.imz",  "7. diag.imz",  "8. logos.imz"};
constexpr int64_t kMiB = 1024 * 1024;
}  // namespace

QString defaultImageName(int slot) { return slot >= 0 && slot < 8 ? QString::fromLatin1(kDefaultNames[slot]) : QString(); }

QString imageSlotLabel(int slot) { return slot >= 0 && slot < 8 ? QString::fromLatin1(kLabels[slot]) : QString(); }

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
    for (int other = 0; other < 8; ++other) {
        if (other != check.slot && check.fileName.compare(defaultImageName(other), Qt::CaseInsensitive) == 0)
            concerns << QStringLiteral("%1 is the default name of slot \"%2\", not of \"%3\".")
                            .arg(check.fileName, imageSlotLabel(other), label);
    }
    if (concerns.isEmpty())
        return std::nullopt;
    return concerns.join(QLatin1Char(' '));
}
