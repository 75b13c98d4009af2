// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The descriptive texts of one UPnP device, in the order of the detail dialog.

#include <string>

struct DeviceInformationContainer {
    std::string Children;
    std::string Description;
    std::string FriendlyName;
    std::string HasChildren;
    std::string IconURL;
    std::string IsRootDevice;
    std::string ManufacturerName;
    std::string ManufacturerURL;
    std::string ModelName;
    std::string ModelNumber;
    std::string ModelURL;
    std::string ParentDevice;
    std::string PresentationURL;
    std::string RootDevice;
    std::string SerialNumber;
    std::string Services;
    std::string Type;
    std::string UniqueDeviceName;
    std::string UPC;
};
