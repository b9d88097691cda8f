// The stb functions Dear ImGui (font atlas) and the screen pictures (PNG files) call. Debian's libstb
// provides them compiled on Linux; the Windows build compiles them from the same headers.
#define STB_RECT_PACK_IMPLEMENTATION
#include <stb_rect_pack.h>
#define STB_TRUETYPE_IMPLEMENTATION
#include <stb_truetype.h>
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
