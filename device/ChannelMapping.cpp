#include "device/ChannelMapping.h"

#include "device/EventDescriptor.h"
#include "device/FirmwareMilestones.h"

namespace {

int mapM410(bool renumbered, int code) {
    if (renumbered) {
        switch (code) {
            case 3:
            case 5:
                return 9;
            case 4:
                return 8;
            default:
                return code;
        }
    }
    switch (code) {
        case 3:
            return 8;
        case 4:
            return 9;
        default:
            return code;
    }
}

// From 0.96 the other models send transmitters 3-7 and Mag one code higher.
int mapOtherModel(int code) {
    switch (code) {
        case 3:
        case 10:
            return 9;
        case 4:
        case 5:
        case 6:
        case 7:
        case 8:
        case 9:
            return code - 1;
        default:
            return code;
    }
}

}  // namespace

int mapChannelCode(std::string_view model, std::uint16_t firmwareWord, int code) {
    const bool renumbered = firmwareAtLeast(firmwareWord, RenumberedRevision);
    if (model == "M410") {
        return firmwareAtLeast(firmwareWord, ExtraValueRevision) ? mapM410(renumbered, code) : code;
    }
    return renumbered ? mapOtherModel(code) : code;
}
