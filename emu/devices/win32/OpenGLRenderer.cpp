#include "emu/devices/win32/OpenGLRenderer.h"

#include <GL/gl.h>
#include <commctrl.h>

#include <cstdint>
#include <cstring>

namespace emu {
namespace {

// Wine's X11 driver answers a private escape with the X drawable a device context draws into. The request and the
// answer as its 64-bit side lays them out; a host that does not know the escape (Windows) answers nothing.
constexpr int kX11DriverEscape = 6789;
constexpr int32_t kGetDrawable = 1;
struct X11DrawableAnswer {
    int32_t code;
    uint64_t drawable;
    uint64_t glDrawable;
    int32_t pixelFormat;
};

// The device context draws into no X drawable: whatever is drawn into its window never reaches the display.
bool DrawsIntoNoX11Drawable(HDC deviceContext) {
    const int escape = kX11DriverEscape;
    if (ExtEscape(deviceContext, QUERYESCSUPPORT, sizeof escape, reinterpret_cast<LPCSTR>(&escape), 0, nullptr) <= 0) {
        return false;
    }
    X11DrawableAnswer answer{};
    const int answered =
        ExtEscape(deviceContext, kX11DriverEscape, sizeof kGetDrawable, reinterpret_cast<LPCSTR>(&kGetDrawable),
                  sizeof answer, reinterpret_cast<LPSTR>(&answer));
    return answered > 0 && answer.drawable == 0;
}

constexpr const wchar_t* kPictureWindowClass = L"ZovBkGlPicture";
constexpr UINT_PTR kFollowSubclassId = 0x5A4F56;
// Posted to the picture window to follow the target from its own thread; wParam: put it back over the top-level
// window in the window order.
constexpr UINT kFollowMessage = WM_APP + 1;

} // namespace

OpenGLRenderer::~OpenGLRenderer() {
    common::LockGuard frameGuard(&frameLock);
    common::LockGuard presentGuard(&presentLock);
    closing = true;
    ReleaseGl();
    ReleaseFrame();
}

void OpenGLRenderer::Free() {
    if (fallbackToGdi) {
        GdiRenderer::Free();
        return;
    }
    common::LockGuard frameGuard(&frameLock);
    common::LockGuard presentGuard(&presentLock);
    if (closing) {
        return;
    }
    RendererBase::Free();
    if (targetWindow == nullptr || !IsWindow(targetWindow) || glDeviceContext == nullptr) {
        DetachWindow();
        ForgetWindow();
    }
}

bool OpenGLRenderer::AttachWindow() {
    if (fallbackToGdi) {
        return GdiRenderer::AttachWindow();
    }
    if (const char* reason = AttachGl()) {
        return FallBackToGdi(reason);
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    InvalidateRect(targetWindow, nullptr, FALSE);
    glLayoutDirty = true;
    clearNeeded = true;
    return true;
}

const char* OpenGLRenderer::AttachGl() {
    if (!OpenPictureWindow()) {
        return "no window of its own";
    }
    glDeviceContext = GetDC(pictureWindow);
    if (glDeviceContext == nullptr) {
        return "no device context";
    }
    if (DrawsIntoNoX11Drawable(glDeviceContext)) {
        return "its picture would not reach the display";
    }
    PIXELFORMATDESCRIPTOR format{};
    format.nSize = sizeof format;
    format.nVersion = 1;
    format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER | PFD_GENERIC_ACCELERATED;
    format.iPixelType = PFD_TYPE_RGBA;
    format.cColorBits = 32;
    format.iLayerType = PFD_MAIN_PLANE;
    const int chosen = ChoosePixelFormat(glDeviceContext, &format);
    // A window takes one pixel format for its life: one attached before keeps it.
    if (chosen == 0 ||
        (GetPixelFormat(glDeviceContext) != chosen && !SetPixelFormat(glDeviceContext, chosen, &format))) {
        return "no pixel format";
    }
    renderingContext = wglCreateContext(glDeviceContext);
    if (renderingContext == nullptr || !wglMakeCurrent(glDeviceContext, renderingContext)) {
        return "no rendering context";
    }
    GlDriverFacts facts;
    GLint maxTextureSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize);
    facts.maxTextureSize = maxTextureSize;
    facts.extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (GlDriverDrawsFrames(facts.maxTextureSize, facts.extensions)) {
        if (swapIntervalSetter == nullptr && HasGlExtension(facts.extensions, "WGL_EXT_swap_control")) {
            swapIntervalSetter = reinterpret_cast<SwapIntervalSetter>(
                reinterpret_cast<void (*)()>(wglGetProcAddress("wglSwapIntervalEXT")));
        }
        if (swapIntervalSetter != nullptr) {
            swapIntervalSetter(0);
            if (swapIntervalGetter == nullptr) {
                swapIntervalGetter = reinterpret_cast<SwapIntervalGetter>(
                    reinterpret_cast<void (*)()>(wglGetProcAddress("wglGetSwapIntervalEXT")));
            }
        }
        facts.hasSwapSetter = swapIntervalSetter != nullptr;
        facts.hasSwapGetter = swapIntervalGetter != nullptr;
        facts.swapInterval = swapIntervalGetter != nullptr ? swapIntervalGetter() : 0;
    }
    const GlAttachCheck check = CheckGlAttach(facts);
    if (check.setsVsync) {
        SetFlag(check.vsync);
    }
    return check.reason;
}

void OpenGLRenderer::ReleaseGl() {
    if (renderingContext != nullptr && wglGetCurrentContext() == renderingContext) {
        wglMakeCurrent(nullptr, nullptr);
    }
    if (renderingContext != nullptr) {
        wglDeleteContext(renderingContext);
        renderingContext = nullptr;
    }
    if (glDeviceContext != nullptr) {
        ReleaseDC(pictureWindow, glDeviceContext);
        glDeviceContext = nullptr;
    }
    swapIntervalSetter = nullptr;
    swapIntervalGetter = nullptr;
    ClosePictureWindow();
}

bool OpenGLRenderer::OpenPictureWindow() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    // GL keeps its pixel format on the window's one device context.
    windowClass.style = CS_OWNDC;
    windowClass.lpfnWndProc = PictureWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kPictureWindowClass;
    if (RegisterClassW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        return false;
    }
    rootWindow = GetAncestor(targetWindow, GA_ROOT);
    if (rootWindow == nullptr) {
        return false;
    }
    // Shown by the first presentation: until then the target shows what it showed before.
    pictureHidden = true;
    // Made at the target's place and size: GL sizes its buffers by the window it is made current on.
    RECT area{};
    POINT origin{};
    ::GetClientRect(targetWindow, &area);
    ClientToScreen(targetWindow, &origin);
    // WS_SYSMENU shows nothing without a caption; it has Wine's X11 driver leave the pop-up to the desktop's window
    // manager (where Wine leaves windows to one at all), which then keeps it over its owner and other programs'
    // windows over both. Left to itself on the display, it would stay over every window raised after it.
    pictureWindow = CreateWindowExW(WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, kPictureWindowClass, L"",
                                    WS_POPUP | WS_SYSMENU | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, origin.x, origin.y,
                                    area.right, area.bottom, rootWindow, nullptr, instance, this);
    if (pictureWindow == nullptr) {
        rootWindow = nullptr;
        return false;
    }
    SetWindowSubclass(targetWindow, FollowProc, kFollowSubclassId, reinterpret_cast<DWORD_PTR>(this));
    if (rootWindow != targetWindow) {
        SetWindowSubclass(rootWindow, FollowProc, kFollowSubclassId, reinterpret_cast<DWORD_PTR>(this));
    }
    return true;
}

void OpenGLRenderer::ClosePictureWindow() {
    if (pictureWindow == nullptr) {
        return;
    }
    for (HWND followed : {targetWindow, rootWindow}) {
        if (followed != nullptr && IsWindow(followed)) {
            RemoveWindowSubclass(followed, FollowProc, kFollowSubclassId);
        }
    }
    if (IsWindow(pictureWindow)) {
        SetWindowLongPtrW(pictureWindow, GWLP_USERDATA, 0);
        DestroyWindow(pictureWindow);
    }
    pictureWindow = nullptr;
    rootWindow = nullptr;
}

bool OpenGLRenderer::FollowTarget(bool restack) {
    if (pictureWindow == nullptr || targetWindow == nullptr) {
        return false;
    }
    RECT area{};
    POINT origin{};
    const bool shown = !pictureHidden && IsWindowVisible(targetWindow) && !IsIconic(rootWindow) &&
                       ::GetClientRect(targetWindow, &area) && ClientToScreen(targetWindow, &origin) &&
                       area.right > 0 && area.bottom > 0;
    const bool visible = IsWindowVisible(pictureWindow) != FALSE;
    if (!shown) {
        if (visible) {
            ShowWindow(pictureWindow, SW_HIDE);
        }
        return false;
    }
    RECT now{};
    GetWindowRect(pictureWindow, &now);
    const bool placed = visible && now.left == origin.x && now.top == origin.y && now.right - now.left == area.right &&
                        now.bottom - now.top == area.bottom;
    if (placed && !restack) {
        return false;
    }
    UINT flags = SWP_NOOWNERZORDER | SWP_NOACTIVATE;
    HWND insertAfter = nullptr;
    if (visible && !restack) {
        flags |= SWP_NOZORDER;
    } else {
        // Shown, or asked to go back over the top-level window: a place of its own in the window order. Wine raises
        // an activated window on the display over a hidden picture window too, and the picture window shown without
        // a place in the order would stay beneath it there.
        insertAfter = PlaceOverRoot();
    }
    if (!visible) {
        flags |= SWP_SHOWWINDOW;
    } else if (insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST) {
        // Wine moves a shown window on the display only when its place in the order changes, and the picture window
        // may be first there already while the display shows it beneath: it goes beneath the top-level window first.
        SetWindowPos(pictureWindow, rootWindow, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOOWNERZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    }
    SetWindowPos(pictureWindow, insertAfter, origin.x, origin.y, area.right, area.bottom, flags);
    return true;
}

HWND OpenGLRenderer::PlaceOverRoot() const {
    if ((GetWindowLongW(rootWindow, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0) {
        return HWND_TOPMOST;
    }
    // The active window is the top of the order, whatever Wine's order says before it has caught up with the display.
    if (GetForegroundWindow() == rootWindow) {
        return HWND_TOP;
    }
    HWND above = GetWindow(rootWindow, GW_HWNDPREV);
    while (above != nullptr && (above == pictureWindow || !IsWindowVisible(above))) {
        above = GetWindow(above, GW_HWNDPREV);
    }
    const bool aboveIsTopmost = above != nullptr && (GetWindowLongW(above, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    return above == nullptr || aboveIsTopmost ? HWND_TOP : above;
}

void OpenGLRenderer::HidePicture() {
    common::LockGuard presentGuard(&presentLock);
    pictureHidden = true;
    if (pictureWindow == nullptr) {
        return;
    }
    if (GetWindowThreadProcessId(pictureWindow, nullptr) == GetCurrentThreadId()) {
        FollowTarget(false);
    } else {
        PostMessageW(pictureWindow, kFollowMessage, 0, 0);
    }
}

LRESULT CALLBACK OpenGLRenderer::PictureWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    auto* renderer = reinterpret_cast<OpenGLRenderer*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_NCHITTEST:
        // The mouse goes to the target window beneath, which the front end listens to.
        return HTTRANSPARENT;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint{};
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        // What the display lost of the picture is drawn again from the frame.
        if (renderer != nullptr) {
            renderer->MarkFrame(true);
        }
        return 0;
    }
    case kFollowMessage:
        if (renderer != nullptr && renderer->FollowTarget(wParam != FALSE)) {
            renderer->MarkFrame(true);
        }
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT CALLBACK OpenGLRenderer::FollowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                            DWORD_PTR data) {
    const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
    auto* renderer = reinterpret_cast<OpenGLRenderer*>(data);
    // A picture window shown, moved or resized gets its picture at once: the display kept none of it.
    if (message == WM_WINDOWPOSCHANGED && renderer->FollowTarget(false)) {
        renderer->MarkFrame(true);
    }
    // Wine raises an activated top-level window on the display after this message, over the picture window and
    // without a change in the window order that would tell: the picture window goes back over it once that is done.
    if (message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE && window == renderer->rootWindow) {
        PostMessageW(renderer->pictureWindow, kFollowMessage, TRUE, 0);
    }
    return result;
}

bool OpenGLRenderer::FallBackToGdi(const char* reason) {
    ReleaseGl();
    if (!GdiRenderer::AttachWindow()) {
        return false;
    }
    fallbackToGdi = true;
    fallbackReason = reason;
    return true;
}

void OpenGLRenderer::DetachWindow() {
    ReleaseGl();
    if (fallbackToGdi) {
        GdiRenderer::DetachWindow();
        fallbackToGdi = false;
        fallbackReason = nullptr;
    }
}

bool OpenGLRenderer::FillBackground(uint32_t colour) {
    if (fallbackToGdi) {
        return GdiRenderer::FillBackground(colour);
    }
    if (glDeviceContext == nullptr || renderingContext == nullptr) {
        return false;
    }
    glClearColor(static_cast<GLclampf>((colour >> 16) & 0xFF) / 255.0F,
                 static_cast<GLclampf>((colour >> 8) & 0xFF) / 255.0F, static_cast<GLclampf>(colour & 0xFF) / 255.0F,
                 1.0F);
    glClear(GL_COLOR_BUFFER_BIT);
    return true;
}

std::unique_ptr<RendererBase> OpenGLRenderer::Clone() const {
    return std::make_unique<OpenGLRenderer>();
}

void OpenGLRenderer::SetScaleMode(int32_t mode) {
    common::LockGuard presentGuard(&presentLock);
    if (mode != scaleMode) {
        glLayoutDirty = true;
    }
    GdiRenderer::SetScaleMode(mode);
}

bool OpenGLRenderer::Present() {
    if (fallbackToGdi) {
        return GdiRenderer::Present();
    }
    if (glDeviceContext == nullptr || renderingContext == nullptr) {
        return false;
    }
    pictureHidden = false;
    FollowTarget(false);
    if (wglGetCurrentDC() != glDeviceContext || wglGetCurrentContext() != renderingContext) {
        if (!wglMakeCurrent(glDeviceContext, renderingContext)) {
            return false;
        }
        clearNeeded = false;
        FillBackground(backgroundColour);
    }
    if (pixels == nullptr) {
        FillBackground(backgroundColour);
    } else {
        SetupProjection();
        if (clearNeeded) {
            clearNeeded = false;
            FillBackground(backgroundColour);
        }
        if (placement.draws) {
            glDrawPixels(Width, Height, GL_BGRA_EXT, GL_UNSIGNED_BYTE, pixels.get());
        }
    }
    glFlush();
    SwapBuffers(glDeviceContext);
    // The cursor is drawn again over the new picture.
    ShowCursor(FALSE);
    ShowCursor(TRUE);
    InvalidateRect(targetWindow, nullptr, FALSE);
    ValidateRect(targetWindow, nullptr);
    ValidateRect(pictureWindow, nullptr);
    return true;
}

bool OpenGLRenderer::Layout(bool checkClient, bool reallocate) {
    if (fallbackToGdi) {
        return GdiRenderer::Layout(checkClient, reallocate);
    }
    const LayoutRect before = client;
    // The bitmap header is kept up to date as well, for a later attachment that falls back to GDI.
    const bool result = GdiRenderer::Layout(checkClient, reallocate);
    if (reallocate || !(client == before)) {
        glLayoutDirty = true;
    }
    if (checkClient) {
        // The back buffer's content is undefined after a swap.
        clearNeeded = true;
    }
    return result;
}

void OpenGLRenderer::SetupProjection() {
    common::LockGuard presentGuard(&presentLock);
    // Compared by bits: a NaN aspect is laid out once, not at every presentation.
    if (!glLayoutDirty && std::memcmp(&aspect, &glLayoutAspect, sizeof aspect) == 0) {
        return;
    }
    glLayoutDirty = false;
    glLayoutAspect = aspect;
    placement = PlaceGlPicture(Width, Height, aspect, client, scaleMode);
    destination = placement.layout.destination;
    scaleX = placement.layout.scaleX;
    scaleY = placement.layout.scaleY;

    const int32_t clientWidth = client.Width();
    const int32_t clientHeight = client.Height();
    if (clientWidth <= 0 || clientHeight <= 0) {
        return;
    }
    glViewport(client.left, client.top, clientWidth, clientHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // Window rows counted from the top: y grows downwards, row 0 at the top.
    glOrtho(0, clientWidth, 0, -clientHeight, -1, 1);
    glTranslated(0, 1 - clientHeight, 0);
    if (placement.draws) {
        glRasterPos2i(0, placement.rasterY);
        static const GLubyte kNoBits = 0;
        glBitmap(1, 1, 0, 0, static_cast<GLfloat>(placement.moveX), static_cast<GLfloat>(placement.moveY), &kNoBits);
        glPixelZoom(placement.zoomX, placement.zoomY);
    }
    glPixelStorei(GL_UNPACK_ROW_LENGTH, Width);
    clearNeeded = true;
}

std::unique_ptr<OpenGLRenderer> MakeOpenGLRenderer() {
    return std::make_unique<OpenGLRenderer>();
}

} // namespace emu
