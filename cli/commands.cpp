// The subcommands of the program, in the order of the help text: one registration each.
#include "batch_command.h"
#include "calc_command.h"
#include "catalogue_command.h"
#include "design_command.h"
#include "equipment_command.h"
#include "front_door.h"
#include "network_command.h"
#include "profile_command.h"

namespace hopscale::cli {

void addAllCommands(FrontDoor& door) {
    door.add(calcCommand());
    door.add(batchCommand());
    door.add(catalogueCommand());
    door.add(equipmentCommand());
    door.add(profileCommand());
    door.add(designCommand());
    door.add(networkCommand());
}

}  // namespace hopscale::cli
