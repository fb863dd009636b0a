#include "protocol/connect_failure.h"

#include <gtest/gtest.h>

namespace {

TEST(ConnectFailure, KnownReasonsGetTheirRemedyAndOthersStayAsTheSystemWroteThem)
{
    const struct {
        const char* openError;
        const char* shown;
    } cases[] = {
        {"Device \"COM33\" Open Error !!!\rPermission denied", "Cannot open COM33: Permission denied: join the group dialout"},
        {"Device \"COM3\" Open Error !!!\rNo such file or directory", "Cannot open COM3: No such file or directory"},
        {"Device \"COM33\" Open Error !!!\rDevice or resource busy",
         "Cannot open COM33: Device or resource busy: another program holds it, perhaps ModemManager probing it"},
        {"Device \"COM3\" Open Error !!!\rInput/output error", "Cannot open COM3: Input/output error"},
        {"Device \"COM4\" Open Error !!!\rAccess is denied.\r\n",
         "Cannot open COM4: Access is denied: another program holds the port; close it, then press Connect"},
        {"Device \"COM4\" Open Error !!!\rThe system cannot find the file specified.",
         "Cannot open COM4: The system cannot find the file specified."},
        {"no component line at all", "Cannot open COM3: no component line at all"},
    };
    for (const auto& c : cases) {
        const QString port = QString::fromLatin1(c.shown).section(QLatin1Char(' '), 2, 2).chopped(1);
        EXPECT_EQ(connectAttemptText(port, QString::fromLatin1(c.openError)), QString::fromLatin1(c.shown)) << c.openError;
    }
}

}  // namespace
