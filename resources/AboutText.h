// The About box's texts, the same in every host: the desktop's dialog translates them, the
// Windows module's resource script includes this file, and the web element's build writes
// them into the element. N_ marks them for translation.
#ifndef KOLO_ABOUT_TEXT_H
#define KOLO_ABOUT_TEXT_H

#ifndef N_
#define N_(text) text
#endif

#define KOLO_ABOUT_TITLE N_("About Kolo Control")
#define KOLO_ABOUT_NAME N_("Kolo Control, Version 1.0")
#define KOLO_ABOUT_NOTICE N_("A colouring book for children. Free to use and share.")

// The desktop's about dialog shows these beside the texts above.
#define KOLO_ABOUT_PROGRAM "Kolo"
#define KOLO_ABOUT_VERSION "1.0"
#define KOLO_ABOUT_WEBSITE "https://kolobook.org/"
#define KOLO_ABOUT_COPYRIGHT N_("© The Kolo authors")
#define KOLO_ABOUT_LICENCE "MIT"
#define KOLO_ABOUT_AUTHORS "The Kolo authors"
#define KOLO_ABOUT_BUILT_WITH_HEADING N_("Built with")
#define KOLO_ABOUT_BUILT_WITH "GTK", "cairo", "libcurl", "libjpeg-turbo", "libpng", "librsvg", "FreeType"

#endif
