#include "platform/gfx/gl_device.h"

#include "platform/gfx/gl_shaders.h"
#include "platform/gfx/glyph_cache.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions_3_3_Core>
#include <QOpenGLVersionFunctionsFactory>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <string>
#include <tuple>
#include <utility>

namespace gfx {

namespace {

constexpr GLuint kFrameBinding = 0, kDrawBinding = 1, kInstancedDrawBinding = 2;

// --- resources --------------------------------------------------------------------------------

class GlTexture final : public Texture {
public:
    GlTexture(std::weak_ptr<GlContextLink> link, GLuint name, int width, int height)
        : link_(std::move(link)), name_(name), width_(width), height_(height)
    {
    }
    ~GlTexture() override
    {
        if (auto link = link_.lock()) {
            link->makeCurrent();
            if (link->device)
                link->device->forgetTexture(this);
            link->gl->glDeleteTextures(1, &name_);
        }
    }
    int width() const override { return width_; }
    int height() const override { return height_; }
    GLuint name() const { return name_; }

private:
    std::weak_ptr<GlContextLink> link_;
    GLuint name_;
    int width_, height_;
};

struct GlSubset {
    std::uint32_t attribId;
    std::uint32_t faceStart;
    std::uint32_t faceCount;
    std::uint32_t minVertex, maxVertex;
};

class GlMesh final : public Mesh {
public:
    GlMesh(std::weak_ptr<GlContextLink> link, const platform::MeshData& data) : link_(std::move(link))
    {
        numVertices_ = data.numVertices();
        numFaces_ = data.numFaces();
        for (const platform::MeshSubset& s : data.subsets)
            if (s.faceCount > 0)
                subsets_.push_back({s.attribId, s.faceStart, s.faceCount, s.vertexStart,
                                    s.vertexStart + std::max(s.vertexCount, 1u) - 1});
        numSubsets_ = static_cast<std::uint32_t>(data.subsets.size());
        for (const GlSubset& s : subsets_)
            drawnIds_.push_back(s.attribId);
        std::sort(drawnIds_.begin(), drawnIds_.end());
        drawnIds_.erase(std::unique(drawnIds_.begin(), drawnIds_.end()), drawnIds_.end());
    }
    ~GlMesh() override
    {
        if (auto link = link_.lock()) {
            link->makeCurrent();
            link->gl->glDeleteVertexArrays(1, &vao);
            link->gl->glDeleteBuffers(1, &vbo);
            link->gl->glDeleteBuffers(1, &ibo);
        }
    }
    std::uint32_t numVertices() const override { return numVertices_; }
    std::uint32_t numFaces() const override { return numFaces_; }
    std::uint32_t numSubsets() const override { return numSubsets_; }
    std::span<const std::uint32_t> drawnAttribIds() const override { return drawnIds_; }
    const GlSubset* subset(std::uint32_t attribId) const
    {
        for (const GlSubset& s : subsets_)
            if (s.attribId == attribId)
                return &s;
        return nullptr;
    }

    GLuint vao = 0, vbo = 0, ibo = 0;

private:
    std::weak_ptr<GlContextLink> link_;
    std::uint32_t numVertices_ = 0, numFaces_ = 0, numSubsets_ = 0;
    std::vector<GlSubset> subsets_;
    std::vector<std::uint32_t> drawnIds_;
};

class GlFont final : public Font {
public:
    GlFont(std::weak_ptr<GlContextLink> link, const FontDesc& desc)
        : cache(makeQFont(desc)), link_(std::move(link)), desc_(desc)
    {
    }
    ~GlFont() override
    {
        if (auto link = link_.lock(); link && !pageTextures.empty()) {
            link->makeCurrent();
            link->gl->glDeleteTextures(GLsizei(pageTextures.size()), pageTextures.data());
        }
    }
    const FontDesc& desc() const override { return desc_; }

    // Drawing text grows the cache and its atlas pages; the font itself stays what it was made as.
    mutable GlyphCache cache;
    mutable std::vector<GLuint> pageTextures;

private:
    std::weak_ptr<GlContextLink> link_;
    FontDesc desc_;
};

// --- Direct3D values to GL ----------------------------------------------------------------------

GLenum compareFunction(std::uint32_t cmp)
{
    switch (cmp) {
    case d3d::CMP_NEVER: return GL_NEVER;
    case d3d::CMP_LESS: return GL_LESS;
    case d3d::CMP_EQUAL: return GL_EQUAL;
    case d3d::CMP_LESSEQUAL: return GL_LEQUAL;
    case d3d::CMP_GREATER: return GL_GREATER;
    case d3d::CMP_NOTEQUAL: return GL_NOTEQUAL;
    case d3d::CMP_GREATEREQUAL: return GL_GEQUAL;
    default: return GL_ALWAYS;
    }
}

GLenum blendFactor(std::uint32_t blend)
{
    switch (blend) {
    case d3d::BLEND_ZERO: return GL_ZERO;
    case d3d::BLEND_SRCCOLOR: return GL_SRC_COLOR;
    case d3d::BLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case d3d::BLEND_SRCALPHA: return GL_SRC_ALPHA;
    case d3d::BLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case d3d::BLEND_DESTALPHA: return GL_DST_ALPHA;
    case d3d::BLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case d3d::BLEND_DESTCOLOR: return GL_DST_COLOR;
    case d3d::BLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    case d3d::BLEND_SRCALPHASAT: return GL_SRC_ALPHA_SATURATE;
    default: return GL_ONE;
    }
}

GLenum polygonMode(std::uint32_t fill)
{
    switch (fill) {
    case d3d::FILL_POINT: return GL_POINT;
    case d3d::FILL_WIREFRAME: return GL_LINE;
    default: return GL_FILL;
    }
}

void unpackColor(D3DCOLOR c, float& r, float& g, float& b, float& a)
{
    r = float((c >> 16) & 0xFF) / 255.0f;
    g = float((c >> 8) & 0xFF) / 255.0f;
    b = float(c & 0xFF) / 255.0f;
    a = float(c >> 24) / 255.0f;
}

GLuint compileShader(QOpenGLFunctions_3_3_Core* gl, GLenum type, std::initializer_list<const char*> parts)
{
    GLuint shader = gl->glCreateShader(type);
    const std::vector<const char*> sources(parts);
    gl->glShaderSource(shader, GLsizei(sources.size()), sources.data(), nullptr);
    gl->glCompileShader(shader);
    GLint ok = 0;
    gl->glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[2048] = {};
        gl->glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        gl->glDeleteShader(shader);
        throw DeviceError(std::string("shader compilation failed: ") + log);
    }
    return shader;
}

GLuint linkProgram(QOpenGLFunctions_3_3_Core* gl, std::initializer_list<const char*> vertex,
                   std::initializer_list<const char*> fragment)
{
    GLuint vs = compileShader(gl, GL_VERTEX_SHADER, vertex);
    GLuint fs = compileShader(gl, GL_FRAGMENT_SHADER, fragment);
    GLuint program = gl->glCreateProgram();
    gl->glAttachShader(program, vs);
    gl->glAttachShader(program, fs);
    gl->glLinkProgram(program);
    gl->glDeleteShader(vs);
    gl->glDeleteShader(fs);
    GLint ok = 0;
    gl->glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        char log[2048] = {};
        gl->glGetProgramInfoLog(program, sizeof log, nullptr, log);
        gl->glDeleteProgram(program);
        throw DeviceError(std::string("shader link failed: ") + log);
    }
    return program;
}

void checkTextureImage(const platform::TextureImage& image)
{
    if (image.levels.empty() || image.width() <= 0 || image.height() <= 0)
        throw DeviceError("texture without pixels");
    for (const platform::TextureLevel& level : image.levels)
        if (level.width <= 0 || level.height <= 0
            || level.rgba.size() != std::size_t(level.width) * std::size_t(level.height) * 4)
            throw DeviceError("texture level size does not match its pixels");
}

void checkMeshData(const platform::MeshData& data)
{
    if (data.indices.size() % 3 != 0)
        throw DeviceError("mesh index count is not a multiple of three");
    for (std::uint32_t index : data.indices)
        if (index >= data.vertices.size())
            throw DeviceError("mesh index beyond its vertices");
    for (const platform::MeshSubset& s : data.subsets)
        if (std::uint64_t(s.faceStart) + s.faceCount > data.numFaces())
            throw DeviceError("mesh subset beyond its faces");
}

} // namespace

// --- context --------------------------------------------------------------------------------------

void GlContextLink::makeCurrent() const
{
    if (QOpenGLContext::currentContext() != context || context->surface() != surface)
        if (!context->makeCurrent(surface))
            throw DeviceError("cannot make the OpenGL context current");
}

QSurfaceFormat coreProfileFormat()
{
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    format.setSwapInterval(0); // the engine paces frames itself
    return format;
}

void requestSoftwareRenderer()
{
    qputenv("LIBGL_ALWAYS_SOFTWARE", "1");
}

namespace {

struct OffscreenContext {
    std::unique_ptr<QOffscreenSurface> surface;
    std::unique_ptr<QOpenGLContext> context; // destroyed before its surface
};

} // namespace

std::unique_ptr<GlDevice> createOffscreenGlDevice(int width, int height, bool software)
{
    if (software)
        requestSoftwareRenderer();
    auto owner = std::make_shared<OffscreenContext>();
    owner->surface = std::make_unique<QOffscreenSurface>();
    owner->surface->setFormat(coreProfileFormat());
    owner->surface->create();
    owner->context = std::make_unique<QOpenGLContext>();
    owner->context->setFormat(coreProfileFormat());
    if (!owner->context->create())
        throw DeviceError("cannot create an OpenGL context");
    const QSurfaceFormat got = owner->context->format();
    if (got.version() < qMakePair(3, 3) || got.profile() != QSurfaceFormat::CoreProfile)
        throw DeviceError("OpenGL 3.3 core is not available");
    QOpenGLContext* context = owner->context.get();
    QSurface* surface = owner->surface.get();
    return std::make_unique<GlDevice>(context, surface, width, height, std::move(owner));
}

// --- device ---------------------------------------------------------------------------------------

GlDevice::GlDevice(QOpenGLContext* context, QSurface* surface, int width, int height,
                   std::shared_ptr<void> keepAlive)
    : keepAlive_(std::move(keepAlive)), link_(std::make_shared<GlContextLink>()), width_(width), height_(height)
{
    if (width <= 0 || height <= 0)
        throw DeviceError("back buffer size must be positive");
    link_->context = context;
    link_->surface = surface;
    link_->makeCurrent();
    gl_ = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_3_3_Core>(context);
    if (!gl_ || !gl_->initializeOpenGLFunctions())
        throw DeviceError("OpenGL 3.3 core functions are not available");
    link_->gl = gl_;
    link_->device = this;
    state_.setViewport({0, 0, std::uint32_t(width), std::uint32_t(height), 0.0f, 1.0f});
    createBackBuffer();
    createPrograms();
    createScreenBuffers();
    gl_->glProvokingVertex(GL_FIRST_VERTEX_CONVENTION); // flat shading takes the first vertex
    gl_->glDisable(GL_DITHER);
}

GlDevice::~GlDevice()
{
    link_->device = nullptr;
    try {
        link_->makeCurrent();
        destroyGlObjects();
    } catch (const DeviceError&) {
        // The context is gone already; its objects went with it.
    }
}

void GlDevice::destroyGlObjects()
{
    gl_->glDeleteFramebuffers(1, &fbo_);
    gl_->glDeleteRenderbuffers(1, &colorRb_);
    gl_->glDeleteRenderbuffers(1, &depthRb_);
    for (const FixedFunctionProgram& p : ffPrograms_)
        gl_->glDeleteProgram(p.program);
    gl_->glDeleteBuffers(1, &frameUbo_);
    gl_->glDeleteBuffers(1, &drawUbo_);
    gl_->glDeleteBuffers(1, &instancedDrawUbo_);
    gl_->glDeleteProgram(screenProgram_);
    gl_->glDeleteVertexArrays(1, &screenVao_);
    gl_->glDeleteBuffers(1, &screenVbo_);
    gl_->glDeleteSamplers(1, &meshSampler_);
    gl_->glDeleteSamplers(1, &screenSampler_);
}

void GlDevice::ensureCurrent() const { link_->makeCurrent(); }

void GlDevice::createBackBuffer()
{
    gl_->glGenRenderbuffers(1, &colorRb_);
    gl_->glBindRenderbuffer(GL_RENDERBUFFER, colorRb_);
    gl_->glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width_, height_);
    gl_->glGenRenderbuffers(1, &depthRb_);
    gl_->glBindRenderbuffer(GL_RENDERBUFFER, depthRb_);
    gl_->glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width_, height_);
    gl_->glGenFramebuffers(1, &fbo_);
    gl_->glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
    gl_->glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colorRb_);
    gl_->glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depthRb_);
    if (gl_->glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
        throw DeviceError("back buffer framebuffer is incomplete");
    gl_->glClearColor(0, 0, 0, 0);
    gl_->glClearDepth(1.0);
    gl_->glClearStencil(0);
    gl_->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
}

void GlDevice::createPrograms()
{
    // The fixed-function programs are made when a draw first needs one (the game uses few).
    for (auto [ubo, binding, size] : {std::tuple{&frameUbo_, kFrameBinding, sizeof(FrameBlock)},
                                      std::tuple{&drawUbo_, kDrawBinding, sizeof(DrawBlock)},
                                      std::tuple{&instancedDrawUbo_, kInstancedDrawBinding,
                                                 instancedDrawBlockLayout().size}}) {
        gl_->glGenBuffers(1, ubo);
        gl_->glBindBuffer(GL_UNIFORM_BUFFER, *ubo);
        gl_->glBufferData(GL_UNIFORM_BUFFER, GLsizeiptr(size), nullptr, GL_STREAM_DRAW);
        gl_->glBindBufferBase(GL_UNIFORM_BUFFER, binding, *ubo);
    }

    screenProgram_ = linkProgram(gl_, {shaders::kScreenVertex}, {shaders::kScreenFragment});
    gl_->glUseProgram(screenProgram_);
    gl_->glUniform1i(gl_->glGetUniformLocation(screenProgram_, "uTexture"), 0);
    screenTargetSizeLoc_ = gl_->glGetUniformLocation(screenProgram_, "uTargetSize");
    screenAlphaOnlyLoc_ = gl_->glGetUniformLocation(screenProgram_, "uAlphaOnly");

    // Meshes: mipmapped and repeating. Sprites and glyphs: texel-exact, clamped.
    gl_->glGenSamplers(1, &meshSampler_);
    gl_->glSamplerParameteri(meshSampler_, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    gl_->glSamplerParameteri(meshSampler_, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gl_->glSamplerParameteri(meshSampler_, GL_TEXTURE_WRAP_S, GL_REPEAT);
    gl_->glSamplerParameteri(meshSampler_, GL_TEXTURE_WRAP_T, GL_REPEAT);
    gl_->glGenSamplers(1, &screenSampler_);
    gl_->glSamplerParameteri(screenSampler_, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl_->glSamplerParameteri(screenSampler_, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    gl_->glSamplerParameteri(screenSampler_, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    gl_->glSamplerParameteri(screenSampler_, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

void GlDevice::createScreenBuffers()
{
    gl_->glGenVertexArrays(1, &screenVao_);
    gl_->glGenBuffers(1, &screenVbo_);
    gl_->glBindVertexArray(screenVao_);
    gl_->glBindBuffer(GL_ARRAY_BUFFER, screenVbo_);
    const GLsizei stride = sizeof(ScreenVertex);
    gl_->glEnableVertexAttribArray(0);
    gl_->glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(ScreenVertex, x)));
    gl_->glEnableVertexAttribArray(1);
    gl_->glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(ScreenVertex, u)));
    gl_->glEnableVertexAttribArray(2);
    gl_->glVertexAttribPointer(2, 4, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(ScreenVertex, r)));
    gl_->glBindVertexArray(0);
}

std::string GlDevice::rendererName() const
{
    ensureCurrent();
    const GLubyte* name = gl_->glGetString(GL_RENDERER);
    return name ? reinterpret_cast<const char*>(name) : "";
}

int GlDevice::glyphsRasterised(const Font& font)
{
    auto* glFont = dynamic_cast<const GlFont*>(&font);
    return glFont ? glFont->cache.rasterisedCount() : 0;
}

int GlDevice::outlinesMade(const Font& font)
{
    auto* glFont = dynamic_cast<const GlFont*>(&font);
    return glFont ? glFont->cache.outlinedCount() : 0;
}

// --- state ----------------------------------------------------------------------------------------

void GlDevice::setRenderState(std::uint32_t state, std::uint32_t value)
{
    if (state_.renderState(state) == value)
        return;
    state_.setRenderState(state, value);
    markDirty(DirtyRaster | DirtyFrame | DirtyProgram);
}

void GlDevice::setTextureStageState(std::uint32_t stage, std::uint32_t type, std::uint32_t value)
{
    state_.setTextureStageState(stage, type, value);
    markDirty(DirtyProgram | DirtyRaster);
}

std::uint32_t GlDevice::textureStageState(std::uint32_t stage, std::uint32_t type) const
{
    return state_.textureStageState(stage, type);
}

void GlDevice::setTransform(std::uint32_t which, const D3DMATRIX& m)
{
    state_.setTransform(which, m);
    // Lights live in view space, so a new view moves them too.
    markDirty(which == d3d::TS_VIEW ? DirtyFrame | DirtyDraw : DirtyDraw);
}

void GlDevice::setMaterial(const D3DMATERIAL8& material)
{
    state_.setMaterial(material);
    markDirty(DirtyDraw);
    if (blendingOn_ == blendingChangesNothing()) // the material's alpha decides whether to blend
        markDirty(DirtyRaster);
}

void GlDevice::setLight(std::uint32_t index, const D3DLIGHT8& light)
{
    state_.setLight(index, light);
    markDirty(DirtyFrame | DirtyProgram);
}

void GlDevice::lightEnable(std::uint32_t index, bool enable)
{
    state_.lightEnable(index, enable);
    markDirty(DirtyFrame | DirtyProgram);
}

void GlDevice::setTexture(std::uint32_t stage, const Texture* texture)
{
    if (texture && !dynamic_cast<const GlTexture*>(texture))
        throw DeviceError("texture of another device", kInvalidCall);
    state_.setTexture(stage, texture);
    markDirty(DirtyTexture | DirtyProgram);
}

void GlDevice::forgetTexture(const Texture* texture)
{
    if (texture == spriteTexture_) {
        flushSprites();
        spriteTexture_ = nullptr;
    }
    for (std::uint32_t stage = 0; stage < DeviceState::kStages; ++stage)
        if (state_.texture(stage) == texture) {
            state_.setTexture(stage, nullptr);
            markDirty(DirtyTexture | DirtyProgram);
        }
}

void GlDevice::setViewport(const D3DVIEWPORT8& viewport)
{
    if (!viewportFits(viewport, width_, height_))
        throw DeviceError("viewport outside the back buffer", kInvalidCall);
    state_.setViewport(viewport);
    markDirty(DirtyRaster | DirtyFrame);
}

void GlDevice::applyRasterState()
{
    const D3DVIEWPORT8& vp = state_.viewport();
    gl_->glBindFramebuffer(GL_FRAMEBUFFER, drawTarget());
    gl_->glViewport(GLint(vp.X), height_ - GLint(vp.Y) - GLint(vp.Height), GLsizei(vp.Width), GLsizei(vp.Height));
    gl_->glDepthRange(vp.MinZ, vp.MaxZ);
    gl_->glDisable(GL_SCISSOR_TEST);

    if (state_.renderState(d3d::RS_ZENABLE) != d3d::ZB_FALSE) {
        gl_->glEnable(GL_DEPTH_TEST);
        gl_->glDepthFunc(compareFunction(state_.renderState(d3d::RS_ZFUNC)));
    } else {
        gl_->glDisable(GL_DEPTH_TEST);
    }
    gl_->glDepthMask(state_.renderState(d3d::RS_ZWRITEENABLE) ? GL_TRUE : GL_FALSE);

    // The picture is not flipped on its way into the back buffer, so on-screen winding is GL's.
    switch (state_.renderState(d3d::RS_CULLMODE)) {
    case d3d::CULL_NONE:
        gl_->glDisable(GL_CULL_FACE);
        break;
    case d3d::CULL_CW:
        gl_->glEnable(GL_CULL_FACE);
        gl_->glFrontFace(GL_CCW);
        gl_->glCullFace(GL_BACK);
        break;
    default: // CCW: counter-clockwise triangles are dropped
        gl_->glEnable(GL_CULL_FACE);
        gl_->glFrontFace(GL_CW);
        gl_->glCullFace(GL_BACK);
        break;
    }
    gl_->glPolygonMode(GL_FRONT_AND_BACK, polygonMode(state_.renderState(d3d::RS_FILLMODE)));

    gl_->glBlendFunc(blendFactor(state_.renderState(d3d::RS_SRCBLEND)),
                     blendFactor(state_.renderState(d3d::RS_DESTBLEND)));
    blendingOn_ = !blendingChangesNothing();
    if (blendingOn_)
        gl_->glEnable(GL_BLEND);
    else
        gl_->glDisable(GL_BLEND);
}

// Whether blending would leave every pixel as the shader wrote it: off, or the usual
// source-alpha blend with an alpha that is 1 everywhere (taken from the diffuse colour, which is
// white without lighting and has the material's alpha with it). Skipping it then spares reading
// the back buffer for every pixel.
bool GlDevice::blendingChangesNothing() const
{
    using namespace d3d;
    if (!state_.renderState(RS_ALPHABLENDENABLE))
        return true;
    if (state_.renderState(RS_SRCBLEND) != BLEND_SRCALPHA || state_.renderState(RS_DESTBLEND) != BLEND_INVSRCALPHA)
        return false;
    const std::uint32_t alphaArg = state_.textureStageState(0, TSS_ALPHAARG1) & 15;
    if (state_.textureStageState(0, TSS_ALPHAOP) != TOP_SELECTARG1 || (alphaArg != TA_DIFFUSE && alphaArg != TA_CURRENT))
        return false;
    return !state_.renderState(RS_LIGHTING) || state_.material().Diffuse.a >= 1.0f;
}

unsigned GlDevice::fixedFunctionProgram(const ShaderChoices& choices)
{
    for (const FixedFunctionProgram& p : ffPrograms_)
        if (p.choices == choices)
            return p.program;
    const std::string defines = choices.defines();
    const std::string blocks = glslBlockDeclarations(choices.instanced);
    const GLuint program = linkProgram(gl_, {shaders::kVersion, defines.c_str(), blocks.c_str(), shaders::kFixedFunctionVertex},
                                       {shaders::kVersion, defines.c_str(), blocks.c_str(), shaders::kFixedFunctionFragment});
    const auto drawBlock = choices.instanced ? std::pair{&instancedDrawBlockLayout(), kInstancedDrawBinding}
                                             : std::pair{&drawBlockLayout(), kDrawBinding};
    for (auto [layout, binding] : {std::pair{&frameBlockLayout(), kFrameBinding}, drawBlock}) {
        const GLuint index = gl_->glGetUniformBlockIndex(program, layout->blockName);
        GLint size = 0;
        if (index != GL_INVALID_INDEX)
            gl_->glGetActiveUniformBlockiv(program, index, GL_UNIFORM_BLOCK_DATA_SIZE, &size);
        if (index == GL_INVALID_INDEX || size != GLint(layout->size)) {
            gl_->glDeleteProgram(program);
            throw DeviceError(std::string("uniform block ") + layout->blockName + " differs between C++ and GLSL");
        }
        gl_->glUniformBlockBinding(program, index, binding);
    }
    gl_->glUseProgram(program);
    gl_->glUniform1i(gl_->glGetUniformLocation(program, "uTexture"), 0);
    ffProgramInUse_ = program;
    ffPrograms_.push_back({choices, program});
    return program;
}

// Replaces the buffer's storage rather than writing into it: storage a queued draw still reads
// would make the driver finish that draw first. `capacity`: the block's whole size, when the data
// fills only its start.
void GlDevice::uploadBlock(unsigned buffer, const void* data, std::size_t size, std::size_t capacity)
{
    gl_->glBindBuffer(GL_UNIFORM_BUFFER, buffer);
    gl_->glBufferData(GL_UNIFORM_BUFFER, GLsizeiptr(std::max(size, capacity)), nullptr, GL_STREAM_DRAW);
    gl_->glBufferSubData(GL_UNIFORM_BUFFER, 0, GLsizeiptr(size), data);
}

// Brings the program, the blocks and the texture up to date for a 3D draw; each part only when
// something it depends on changed. An instanced draw sends its own DrawBlocks.
void GlDevice::applyFixedFunctionState(bool instanced)
{
    const Texture* tex = state_.texture(0);
    if (instanced || (dirty_ & (DirtyProgram | DirtyRaster))) {
        ShaderChoices choices = shaderChoices(state_, tex != nullptr);
        choices.instanced = instanced;
        const GLuint program = fixedFunctionProgram(choices);
        if (program != ffProgramInUse_ || (dirty_ & DirtyRaster)) {
            gl_->glUseProgram(program);
            ffProgramInUse_ = program;
        }
    }
    if (dirty_ & DirtyFrame) {
        const D3DVIEWPORT8& vp = state_.viewport();
        const FrameBlock frame = buildFrameBlock(state_, int(vp.Width), int(vp.Height));
        if (!frameBlockSent_ || std::memcmp(&frame, &frameBlock_, sizeof frame) != 0) {
            frameBlock_ = frame;
            uploadBlock(frameUbo_, &frameBlock_, sizeof frameBlock_);
            frameBlockSent_ = true;
        }
    }
    if (!instanced && (dirty_ & DirtyDraw)) {
        const DrawBlock draw = buildDrawBlock(state_);
        if (!drawBlockSent_ || std::memcmp(&draw, &drawBlock_, sizeof draw) != 0) {
            drawBlock_ = draw;
            uploadBlock(drawUbo_, &drawBlock_, sizeof drawBlock_);
            drawBlockSent_ = true;
        }
    }
    if (dirty_ & (DirtyTexture | DirtyRaster)) {
        gl_->glActiveTexture(GL_TEXTURE0);
        gl_->glBindTexture(GL_TEXTURE_2D, tex ? static_cast<const GlTexture*>(tex)->name() : 0);
        gl_->glBindSampler(0, meshSampler_);
    }
}

// --- frame ----------------------------------------------------------------------------------------

void GlDevice::clear(std::uint32_t flags, D3DCOLOR color, float z, std::uint32_t stencil)
{
    if (!drawing_)
        return;
    ensureCurrent();
    flushSprites();
    // Clear covers the viewport, as Direct3D's does without rectangles.
    const D3DVIEWPORT8& vp = state_.viewport();
    gl_->glBindFramebuffer(GL_FRAMEBUFFER, drawTarget());
    gl_->glEnable(GL_SCISSOR_TEST);
    gl_->glScissor(GLint(vp.X), height_ - GLint(vp.Y) - GLint(vp.Height), GLsizei(vp.Width), GLsizei(vp.Height));
    GLbitfield bits = 0;
    if (flags & d3d::CLEAR_TARGET) {
        float r, g, b, a;
        unpackColor(color, r, g, b, a);
        gl_->glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        gl_->glClearColor(r, g, b, a);
        bits |= GL_COLOR_BUFFER_BIT;
    }
    if (flags & d3d::CLEAR_ZBUFFER) {
        gl_->glDepthMask(GL_TRUE);
        gl_->glClearDepth(std::clamp(z, 0.0f, 1.0f));
        bits |= GL_DEPTH_BUFFER_BIT;
    }
    if (flags & d3d::CLEAR_STENCIL) {
        gl_->glStencilMask(0xFF);
        gl_->glClearStencil(GLint(stencil & 0xFF));
        bits |= GL_STENCIL_BUFFER_BIT;
    }
    if (bits)
        gl_->glClear(bits);
    markDirty(DirtyRaster);
}

void GlDevice::beginScene()
{
    if (inScene_)
        throw DeviceError("BeginScene inside a scene", kInvalidCall);
    inScene_ = true;
}

void GlDevice::endScene()
{
    if (!inScene_)
        throw DeviceError("EndScene without BeginScene", kInvalidCall);
    inScene_ = false;
}

void GlDevice::present()
{
    ensureCurrent();
    flushSprites();
    if (presentHook_)
        presentHook_();
    else
        gl_->glFlush();
}

void GlDevice::blitBackBuffer(unsigned targetFbo, int targetWidth, int targetHeight, int x, int y, int w, int h)
{
    ensureCurrent();
    gl_->glBindFramebuffer(GL_DRAW_FRAMEBUFFER, targetFbo);
    gl_->glDisable(GL_SCISSOR_TEST);
    gl_->glViewport(0, 0, targetWidth, targetHeight);
    // Black bars only where the picture leaves room for them.
    if (x > 0 || y > 0 || x + w < targetWidth || y + h < targetHeight) {
        gl_->glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        gl_->glClearColor(0, 0, 0, 1);
        gl_->glClear(GL_COLOR_BUFFER_BIT);
    }
    gl_->glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo_);
    const bool exact = w == width_ && h == height_;
    gl_->glBlitFramebuffer(0, 0, width_, height_, x, y, x + w, y + h, GL_COLOR_BUFFER_BIT,
                           exact ? GL_NEAREST : GL_LINEAR);
    gl_->glBindFramebuffer(GL_FRAMEBUFFER, drawTarget());
    markDirty(DirtyRaster);
}

void GlDevice::drawIntoWindow(std::optional<unsigned> windowFbo)
{
    if (windowFbo == windowFbo_)
        return;
    windowFbo_ = windowFbo;
    markDirty(DirtyRaster);
}

void GlDevice::finish()
{
    ensureCurrent();
    flushSprites();
    gl_->glFinish();
}

QImage GlDevice::readBackBuffer()
{
    ensureCurrent();
    flushSprites();
    QImage image(width_, height_, QImage::Format_RGBA8888);
    gl_->glBindFramebuffer(GL_READ_FRAMEBUFFER, drawTarget());
    gl_->glPixelStorei(GL_PACK_ALIGNMENT, 4);
    gl_->glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
    return image.mirrored(false, true); // GL rows run bottom-up
}

// --- resources ------------------------------------------------------------------------------------

std::unique_ptr<Texture> GlDevice::createTexture(const platform::TextureImage& image)
{
    checkTextureImage(image);
    ensureCurrent();
    GLuint name = 0;
    gl_->glGenTextures(1, &name);
    gl_->glActiveTexture(GL_TEXTURE0);
    gl_->glBindTexture(GL_TEXTURE_2D, name);
    gl_->glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (std::size_t level = 0; level < image.levels.size(); ++level) {
        const platform::TextureLevel& l = image.levels[level];
        gl_->glTexImage2D(GL_TEXTURE_2D, GLint(level), GL_RGBA8, l.width, l.height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                          l.rgba.data());
    }
    // A chain that stops before 1 x 1 is still complete with the levels it has.
    gl_->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    gl_->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, GLint(image.levels.size()) - 1);
    markDirty(DirtyTexture);
    return std::make_unique<GlTexture>(link_, name, image.width(), image.height());
}

std::unique_ptr<Mesh> GlDevice::createMesh(const platform::MeshData& data)
{
    checkMeshData(data);
    ensureCurrent();
    auto mesh = std::make_unique<GlMesh>(link_, data);
    gl_->glGenVertexArrays(1, &mesh->vao);
    gl_->glGenBuffers(1, &mesh->vbo);
    gl_->glGenBuffers(1, &mesh->ibo);
    gl_->glBindVertexArray(mesh->vao);
    gl_->glBindBuffer(GL_ARRAY_BUFFER, mesh->vbo);
    gl_->glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(data.vertices.size() * sizeof(platform::MeshVertex)),
                      data.vertices.data(), GL_STATIC_DRAW);
    gl_->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, mesh->ibo);
    gl_->glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(data.indices.size() * sizeof(std::uint32_t)),
                      data.indices.data(), GL_STATIC_DRAW);
    const GLsizei stride = sizeof(platform::MeshVertex);
    gl_->glEnableVertexAttribArray(0);
    gl_->glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride,
                               reinterpret_cast<void*>(offsetof(platform::MeshVertex, px)));
    gl_->glEnableVertexAttribArray(1);
    gl_->glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, stride,
                               reinterpret_cast<void*>(offsetof(platform::MeshVertex, nx)));
    gl_->glEnableVertexAttribArray(2);
    gl_->glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, stride,
                               reinterpret_cast<void*>(offsetof(platform::MeshVertex, u)));
    gl_->glBindVertexArray(0);
    return mesh;
}

std::unique_ptr<Font> GlDevice::createFont(const FontDesc& desc)
{
    return std::make_unique<GlFont>(link_, desc);
}

// --- drawing --------------------------------------------------------------------------------------

void GlDevice::drawSubset(const Mesh& mesh, std::uint32_t attribId)
{
    auto* glMesh = dynamic_cast<const GlMesh*>(&mesh);
    if (!glMesh)
        throw DeviceError("mesh of another device", kInvalidCall);
    const GlSubset* subset = glMesh->subset(attribId);
    if (!subset || !drawing_)
        return;
    ensureCurrent();
    flushSprites();
    if (dirty_ & DirtyRaster)
        applyRasterState();
    if (dirty_)
        applyFixedFunctionState(false);
    dirty_ = 0;
    gl_->glBindVertexArray(glMesh->vao);
    gl_->glDrawRangeElements(GL_TRIANGLES, subset->minVertex, subset->maxVertex, GLsizei(subset->faceCount * 3),
                             GL_UNSIGNED_INT,
                             reinterpret_cast<void*>(std::size_t(subset->faceStart) * 3 * sizeof(std::uint32_t)));
    ++drawCalls_;
}

void GlDevice::drawSubsetAt(const Mesh& mesh, std::uint32_t attribId, std::span<const D3DMATRIX> worlds)
{
    const auto* glMesh = dynamic_cast<const GlMesh*>(&mesh);
    const GlSubset* subset = glMesh && worlds.size() > 1 ? glMesh->subset(attribId) : nullptr;
    if (!subset || !drawing_) {
        Device::drawSubsetAt(mesh, attribId, worlds);
        return;
    }
    ensureCurrent();
    flushSprites();
    if (dirty_ & DirtyRaster)
        applyRasterState();
    applyFixedFunctionState(true);
    gl_->glBindVertexArray(glMesh->vao);
    const std::size_t indexOffset = std::size_t(subset->faceStart) * 3 * sizeof(std::uint32_t);
    for (std::size_t first = 0; first < worlds.size(); first += kMaxDrawInstances) {
        const std::size_t count = std::min(worlds.size() - first, std::size_t(kMaxDrawInstances));
        instanceBlocks_.clear();
        for (const D3DMATRIX& world : worlds.subspan(first, count)) {
            state_.setTransform(d3d::TS_WORLD, world);
            instanceBlocks_.push_back(buildDrawBlock(state_));
        }
        uploadBlock(instancedDrawUbo_, instanceBlocks_.data(), count * sizeof(DrawBlock),
                    instancedDrawBlockLayout().size);
        gl_->glDrawElementsInstanced(GL_TRIANGLES, GLsizei(subset->faceCount * 3), GL_UNSIGNED_INT,
                                     reinterpret_cast<void*>(indexOffset), GLsizei(count));
        ++drawCalls_;
    }
    // The next single draw needs its own program and the last world's DrawBlock.
    dirty_ = DirtyProgram | DirtyDraw;
}

void GlDevice::useScreenPipeline()
{
    gl_->glBindFramebuffer(GL_FRAMEBUFFER, drawTarget());
    gl_->glViewport(0, 0, width_, height_); // sprites and text use the whole back buffer
    gl_->glDisable(GL_SCISSOR_TEST);
    gl_->glDisable(GL_DEPTH_TEST);
    gl_->glDepthMask(GL_FALSE);
    gl_->glDisable(GL_CULL_FACE);
    gl_->glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    gl_->glEnable(GL_BLEND);
    gl_->glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gl_->glUseProgram(screenProgram_);
    gl_->glUniform2f(screenTargetSizeLoc_, float(width_), float(height_));
    gl_->glActiveTexture(GL_TEXTURE0);
    gl_->glBindSampler(0, screenSampler_);
    gl_->glBindVertexArray(screenVao_);
    gl_->glBindBuffer(GL_ARRAY_BUFFER, screenVbo_);
    markDirty(DirtyRaster);
}

void GlDevice::drawScreenQuads(unsigned texture, bool alphaOnly, const std::vector<ScreenVertex>& vertices)
{
    if (vertices.empty())
        return;
    gl_->glUniform1i(screenAlphaOnlyLoc_, alphaOnly ? 1 : 0);
    gl_->glBindTexture(GL_TEXTURE_2D, texture);
    gl_->glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(vertices.size() * sizeof(ScreenVertex)), vertices.data(),
                      GL_STREAM_DRAW);
    gl_->glDrawArrays(GL_TRIANGLES, 0, GLsizei(vertices.size()));
    ++drawCalls_;
}

void GlDevice::beginSprites()
{
    if (inSprites_)
        throw DeviceError("sprite Begin inside a sprite pass", kInvalidCall);
    inSprites_ = true;
    spriteTexture_ = nullptr;
    spriteVertices_.clear();
}

void GlDevice::drawSprite(const SpriteQuad& quad)
{
    if (!inSprites_)
        throw DeviceError("sprite Draw outside Begin/End", kInvalidCall);
    auto* tex = dynamic_cast<const GlTexture*>(quad.texture);
    if (!tex)
        throw DeviceError("sprite without a texture of this device", kInvalidCall);
    if (!drawing_)
        return;
    if (tex != spriteTexture_)
        flushSprites();
    spriteTexture_ = tex;
    float r, g, b, a;
    unpackColor(quad.color, r, g, b, a);
    const float u0 = float(quad.src.Left) / float(tex->width()), u1 = float(quad.src.Right) / float(tex->width());
    const float v0 = float(quad.src.Top) / float(tex->height()), v1 = float(quad.src.Bottom) / float(tex->height());
    const ScreenVertex corner[4] = {{quad.x[0], quad.y[0], u0, v0, r, g, b, a},
                                    {quad.x[1], quad.y[1], u1, v0, r, g, b, a},
                                    {quad.x[2], quad.y[2], u1, v1, r, g, b, a},
                                    {quad.x[3], quad.y[3], u0, v1, r, g, b, a}};
    for (int i : {0, 1, 2, 0, 2, 3})
        spriteVertices_.push_back(corner[i]);
}

void GlDevice::flushSprites()
{
    if (spriteVertices_.empty())
        return;
    ensureCurrent();
    useScreenPipeline();
    drawScreenQuads(static_cast<const GlTexture*>(spriteTexture_)->name(), false, spriteVertices_);
    spriteVertices_.clear();
}

void GlDevice::endSprites()
{
    if (!inSprites_)
        throw DeviceError("sprite End without Begin", kInvalidCall);
    flushSprites();
    inSprites_ = false;
    spriteTexture_ = nullptr;
}

namespace {

const GlFont& glFont(const Font& font)
{
    auto* f = dynamic_cast<const GlFont*>(&font);
    if (!f)
        throw DeviceError("font of another device", kInvalidCall);
    return *f;
}

// The pixels of a rectangle whose `Right` and `Bottom` lie one past its last column and row.
QRect pixelsOf(const RECT& rect)
{
    return QRect(QPoint(rect.Left, rect.Top), QPoint(rect.Right - 1, rect.Bottom - 1));
}

} // namespace

// Uploads the atlas pages that gained glyphs.
void GlDevice::uploadGlyphPages(const Font& font)
{
    const GlFont& f = glFont(font);
    for (int page = 0; page < f.cache.pageCount(); ++page) {
        if (page >= int(f.pageTextures.size())) {
            GLuint name = 0;
            gl_->glGenTextures(1, &name);
            f.pageTextures.push_back(name);
        }
        if (!f.cache.pageDirty(page))
            continue;
        const QImage& img = f.cache.page(page);
        gl_->glActiveTexture(GL_TEXTURE0);
        gl_->glBindTexture(GL_TEXTURE_2D, f.pageTextures[page]);
        gl_->glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        gl_->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, img.width(), img.height(), 0, GL_RGBA, GL_UNSIGNED_BYTE,
                          img.constBits());
        gl_->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        f.cache.markClean(page);
    }
}

// Two triangles showing `source` of a glyph page texel for pixel at `target`.
void GlDevice::appendGlyphQuad(std::vector<ScreenVertex>& out, const QRect& target, const QRect& source,
                               D3DCOLOR color)
{
    float r, g, b, a;
    unpackColor(color, r, g, b, a);
    const float texel = 1.0f / float(GlyphCache::kPageSize);
    const float x0 = float(target.left()), x1 = float(target.left() + target.width());
    const float y0 = float(target.top()), y1 = float(target.top() + target.height());
    const float u0 = float(source.left()) * texel, u1 = float(source.left() + source.width()) * texel;
    const float v0 = float(source.top()) * texel, v1 = float(source.top() + source.height()) * texel;
    const ScreenVertex corner[4] = {{x0, y0, u0, v0, r, g, b, a}, {x1, y0, u1, v0, r, g, b, a},
                                    {x1, y1, u1, v1, r, g, b, a}, {x0, y1, u0, v1, r, g, b, a}};
    for (int i : {0, 1, 2, 0, 2, 3})
        out.push_back(corner[i]);
}

void GlDevice::drawText(const Font& font, const std::string& text, const RECT& rect, D3DCOLOR color)
{
    const GlFont& f = glFont(font);
    const QRect clip = pixelsOf(rect).intersected(QRect(0, 0, width_, height_));
    if (clip.isEmpty() || text.empty() || !drawing_)
        return;
    ensureCurrent();
    flushSprites();
    const std::vector<PlacedGlyph> glyphs = f.cache.layout(text, QPoint(rect.Left, rect.Top));
    uploadGlyphPages(font);

    std::vector<std::vector<ScreenVertex>> perPage(f.cache.pageCount());
    for (const PlacedGlyph& pg : glyphs)
        if (pg.target.intersects(clip))
            appendGlyphQuad(perPage[pg.page], pg.target, pg.source, color);

    useScreenPipeline();
    // The rectangle clips; GL's scissor counts rows from the bottom.
    gl_->glEnable(GL_SCISSOR_TEST);
    gl_->glScissor(clip.left(), height_ - clip.top() - clip.height(), clip.width(), clip.height());
    for (std::size_t page = 0; page < perPage.size(); ++page)
        drawScreenQuads(f.pageTextures[page], true, perPage[page]);
    gl_->glDisable(GL_SCISSOR_TEST);
}

// Two layers instead of six: every glyph's outline (all five copies in one), then every glyph over
// them, in the order the copies would have been drawn. Where a copy's clipping would cut something
// visible the copies are drawn one by one after all.
void GlDevice::drawOutlinedText(const Font& font, const std::string& text, const RECT& rect, D3DCOLOR color,
                                D3DCOLOR outline)
{
    const GlFont& f = glFont(font);
    if (text.empty() || !drawing_)
        return;
    // A translucent outline darkens more where copies overlap than one blend of their union does.
    if ((outline >> 24) != 0xFF) {
        Device::drawOutlinedText(font, text, rect, color, outline);
        return;
    }
    ensureCurrent();
    flushSprites();
    const std::vector<OutlinedGlyph> glyphs = f.cache.layoutOutlined(text, QPoint(rect.Left, rect.Top));
    // A copy is clipped to the rectangle moved with it, so only ink inside the rectangle has copies;
    // ink further than a pixel off the back buffer has none on it either way.
    const QRect area = pixelsOf(rect);
    const QRect screen(0, 0, width_, height_);
    for (const OutlinedGlyph& g : glyphs) {
        const QRect ink = g.ink.intersected(screen.adjusted(-1, -1, 1, 1));
        if (!ink.isEmpty() && !area.contains(ink)) {
            Device::drawOutlinedText(font, text, rect, color, outline);
            return;
        }
    }
    uploadGlyphPages(font);

    // Runs of quads on one page, in drawing order.
    std::vector<std::pair<int, std::vector<ScreenVertex>>> runs;
    const auto quadsOn = [&runs](int page) -> std::vector<ScreenVertex>& {
        if (runs.empty() || runs.back().first != page)
            runs.emplace_back(page, std::vector<ScreenVertex>{});
        return runs.back().second;
    };
    for (const OutlinedGlyph& g : glyphs)
        appendGlyphQuad(quadsOn(g.outline.page), g.outline.target, g.outline.source, outline);
    // The glyphs are cut at the rectangle here rather than by a scissor, so both layers go in one draw.
    const QRect clip = area.intersected(screen);
    for (const OutlinedGlyph& g : glyphs) {
        const QRect target = g.fill.target.intersected(clip);
        if (target.isEmpty())
            continue;
        const QRect source(g.fill.source.topLeft() + (target.topLeft() - g.fill.target.topLeft()), target.size());
        appendGlyphQuad(quadsOn(g.fill.page), target, source, color);
    }
    useScreenPipeline();
    for (const auto& [page, vertices] : runs)
        drawScreenQuads(f.pageTextures[page], true, vertices);
}

} // namespace gfx
