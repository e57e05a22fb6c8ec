// Version numbers and product strings, shared by the C++ sources and the resource
// script. Macros only: windres runs this through the C preprocessor and parses the rest.
#ifndef TAVRILON_APP_VERSION_H
#define TAVRILON_APP_VERSION_H

#define TAVRILON_VERSION_MAJOR 1
#define TAVRILON_VERSION_MINOR 0
#define TAVRILON_VERSION_PATCH 0
#define TAVRILON_VERSION_BUILD 0
#define TAVRILON_VERSION_STRING "1.0.0.0"

#define TAVRILON_PRODUCT_NAME "Tavrilon"
#define TAVRILON_FILE_DESCRIPTION "Tavrilon - Ultima Online client registration"
#define TAVRILON_COMPANY "Morvessa"
#define TAVRILON_COPYRIGHT "Copyright (C) 2026 Morvessa"

#endif  // TAVRILON_APP_VERSION_H
