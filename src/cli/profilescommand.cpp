#include "cli/profilescommand.h"

#include "cli/clioptions.h"
#include "cli/console.h"
#include "profiles/profilecatalogue.h"

namespace transcast
{

int ProfilesCommand::run(Console& console)
{
    for (int profile = ProfileCatalogue::kFirstProfile; profile <= ProfileCatalogue::kLastProfile;
         ++profile) {
        const QString name = ProfileCatalogue::displayName(profile);
        if (!name.isNull())
            console.out(QStringLiteral("%1\t%2\t%3")
                            .arg(profile)
                            .arg(name, ProfileCatalogue::extensionOf(name)));
    }
    return CliOptions::kSuccess;
}

} // namespace transcast
