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

#endif
