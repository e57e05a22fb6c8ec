// Resource identifiers, shared by the resource script and the C++ sources.
#ifndef TAVRILON_RESOURCES_RESOURCE_IDS_H
#define TAVRILON_RESOURCES_RESOURCE_IDS_H

#define IDI_PROGRAM 1       // the program's icon group
#define IDC_HAND_POINTER 2  // the pointing-hand cursor

#endif  // TAVRILON_RESOURCES_RESOURCE_IDS_H
