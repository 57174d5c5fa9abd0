// Preloaded into the editor, it stands for an OpenGL driver without buffer objects: it hides
// GL_ARB_vertex_buffer_object from the extension string, which Mesa cannot switch off.
#include <GL/gl.h>
#include <GL/glx.h>

#include <dlfcn.h>

#include <cstring>
#include <sstream>
#include <string>

namespace {

constexpr const char *kHiddenExtension = "GL_ARB_vertex_buffer_object";

using GetString = const GLubyte *(*)(GLenum);
using GetProcAddress = __GLXextFuncPtr (*)(const GLubyte *);

std::string withoutHiddenExtension(const char *extensions)
{
    std::istringstream names(extensions);
    std::string kept;
    for (std::string name; names >> name;)
        if (name != kHiddenExtension)
            kept += name + ' ';
    return kept;
}

} // namespace

extern "C" const GLubyte *glGetString(GLenum name)
{
    static const auto real = reinterpret_cast<GetString>(dlsym(RTLD_NEXT, "glGetString"));
    const GLubyte *value = real(name);
    if (name != GL_EXTENSIONS || value == nullptr)
        return value;
    static std::string extensions;
    extensions = withoutHiddenExtension(reinterpret_cast<const char *>(value));
    return reinterpret_cast<const GLubyte *>(extensions.c_str());
}

// The toolkit looks its GL functions up through these.
extern "C" __GLXextFuncPtr glXGetProcAddressARB(const GLubyte *name)
{
    if (std::strcmp(reinterpret_cast<const char *>(name), "glGetString") == 0)
        return reinterpret_cast<__GLXextFuncPtr>(&glGetString);
    static const auto real = reinterpret_cast<GetProcAddress>(dlsym(RTLD_NEXT, "glXGetProcAddressARB"));
    return real(name);
}

extern "C" __GLXextFuncPtr glXGetProcAddress(const GLubyte *name)
{
    return glXGetProcAddressARB(name);
}
