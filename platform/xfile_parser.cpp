#include "platform/xfile_parser.h"

#include "platform/native_path.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

namespace platform {
namespace {

// No mesh we load comes near this; it keeps a hostile count from asking for gigabytes even when the
// file is large enough to pass the size check below.
constexpr std::size_t kMaxElements = std::size_t{1} << 22;
// Frames nest by recursion; a file of nothing but "Frame {" must not exhaust the stack.
constexpr int kMaxFrameDepth = 64;
constexpr std::uint32_t kUnset = 0xFFFFFFFFu;

using Vec3 = std::array<float, 3>;
using Matrix = std::array<double, 16>; // row-major, row vectors: v' = v * M

// ---------------------------------------------------------------------------------------------
// Tokens

enum class TokenKind { Name, Number, String, Uuid, OpenBrace, CloseBrace, Separator, Bracket, End };

struct Token {
    TokenKind kind = TokenKind::End;
    std::string_view text;
    int line = 1;
};

bool isNameStart(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool isNameChar(char c)
{
    return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

bool isNumberChar(char c)
{
    return (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E';
}

bool equalsIgnoreCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

class Lexer {
public:
    explicit Lexer(std::string_view text, std::size_t start) : text_(text), pos_(start) {}

    const Token& peek()
    {
        if (!peeked_) {
            peeked_ = scan();
        }
        return *peeked_;
    }

    Token next()
    {
        Token t = peek();
        peeked_.reset();
        return t;
    }

    // Bytes not yet read: no count may promise more elements than these could spell.
    std::size_t remaining() const { return text_.size() - pos_; }
    // The line of the next token, which is where a problem with it is reported.
    int line() { return peek().line; }

private:
    Token scan()
    {
        skipSpaceAndComments();
        Token t;
        t.line = line_;
        if (pos_ >= text_.size())
            return t;
        const std::size_t begin = pos_;
        const char c = text_[pos_];
        if (c == '{' || c == '}') {
            ++pos_;
            t.kind = c == '{' ? TokenKind::OpenBrace : TokenKind::CloseBrace;
        } else if (c == ';' || c == ',') {
            ++pos_;
            t.kind = TokenKind::Separator;
        } else if (c == '[' || c == ']') {
            ++pos_;
            t.kind = TokenKind::Bracket;
        } else if (c == '"') {
            t.kind = TokenKind::String;
            const std::size_t close = text_.find('"', pos_ + 1);
            if (close == std::string_view::npos)
                fail("unterminated string");
            countLines(pos_, close);
            pos_ = close + 1;
            t.text = text_.substr(begin + 1, close - begin - 1);
            return t;
        } else if (c == '<') {
            t.kind = TokenKind::Uuid;
            const std::size_t close = text_.find('>', pos_ + 1);
            if (close == std::string_view::npos)
                fail("unterminated <UUID>");
            countLines(pos_, close);
            pos_ = close + 1;
        } else if (isNameStart(c)) {
            t.kind = TokenKind::Name;
            while (pos_ < text_.size() && isNameChar(text_[pos_]))
                ++pos_;
        } else if (isNumberChar(c)) {
            t.kind = TokenKind::Number;
            while (pos_ < text_.size() && isNumberChar(text_[pos_]))
                ++pos_;
        } else {
            fail(std::string("unexpected character '") + printable(c) + "'");
        }
        t.text = text_.substr(begin, pos_ - begin);
        return t;
    }

    void skipSpaceAndComments()
    {
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (c == '\n') {
                ++line_;
                ++pos_;
            } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
                ++pos_;
            } else if (c == '#' || (c == '/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '/')) {
                while (pos_ < text_.size() && text_[pos_] != '\n')
                    ++pos_;
            } else {
                return;
            }
        }
    }

    void countLines(std::size_t from, std::size_t to)
    {
        line_ += static_cast<int>(std::count(text_.begin() + from, text_.begin() + to, '\n'));
    }

    static std::string printable(char c)
    {
        if (c >= 0x20 && c < 0x7F)
            return std::string(1, c);
        std::ostringstream s;
        s << "\\x" << std::hex << (static_cast<unsigned>(c) & 0xFFu);
        return s.str();
    }

    [[noreturn]] void fail(const std::string& what) const
    {
        throw LoadError("line " + std::to_string(line_) + ": " + what);
    }

    std::string_view text_;
    std::size_t pos_;
    int line_ = 1;
    std::optional<Token> peeked_;
};

// ---------------------------------------------------------------------------------------------
// One Mesh object as the file states it, in the space of its frame until the frames close.

struct RawMesh {
    std::vector<Vec3> positions;
    std::vector<std::uint32_t> faceSizes;
    std::vector<std::uint32_t> faceIndices; // all faces' corners, one after the other

    bool hasNormals = false;
    std::vector<Vec3> normals;
    std::vector<std::uint32_t> normalIndices; // same shape as faceIndices

    bool hasTexCoords = false;
    std::vector<std::array<float, 2>> texCoords;

    bool hasMaterialList = false;
    std::vector<std::uint32_t> faceMaterials;
    std::vector<MeshMaterial> materials;
};

void transformMeshes(std::vector<RawMesh>& meshes, std::size_t first, const Matrix& m)
{
    // Normals go through the cofactor matrix (the inverse transpose up to scale), so that
    // non-uniform scaling keeps them perpendicular; the sign keeps them outward under mirroring.
    const double c00 = m[5] * m[10] - m[6] * m[9], c01 = m[6] * m[8] - m[4] * m[10], c02 = m[4] * m[9] - m[5] * m[8];
    const double c10 = m[2] * m[9] - m[1] * m[10], c11 = m[0] * m[10] - m[2] * m[8], c12 = m[1] * m[8] - m[0] * m[9];
    const double c20 = m[1] * m[6] - m[2] * m[5], c21 = m[2] * m[4] - m[0] * m[6], c22 = m[0] * m[5] - m[1] * m[4];
    const double det = m[0] * c00 + m[1] * c01 + m[2] * c02;
    const double sign = det < 0 ? -1.0 : 1.0;
    for (std::size_t i = first; i < meshes.size(); ++i) {
        for (Vec3& p : meshes[i].positions) {
            const double x = p[0], y = p[1], z = p[2];
            p = {float(x * m[0] + y * m[4] + z * m[8] + m[12]), float(x * m[1] + y * m[5] + z * m[9] + m[13]),
                 float(x * m[2] + y * m[6] + z * m[10] + m[14])};
        }
        for (Vec3& n : meshes[i].normals) {
            const double x = n[0], y = n[1], z = n[2];
            n = {float(sign * (x * c00 + y * c01 + z * c02)), float(sign * (x * c10 + y * c11 + z * c12)),
                 float(sign * (x * c20 + y * c21 + z * c22))};
        }
    }
}

Vec3 normalised(const Vec3& n)
{
    const double len = std::sqrt(double(n[0]) * n[0] + double(n[1]) * n[1] + double(n[2]) * n[2]);
    if (!(len > 0) || !std::isfinite(len))
        return {0, 0, 0}; // a zero normal stays zero rather than becoming NaN
    return {float(n[0] / len), float(n[1] / len), float(n[2] / len)};
}

// ---------------------------------------------------------------------------------------------
// Parser

class XParser {
public:
    XParser(std::string_view text, std::size_t bodyStart) : lex_(text, bodyStart) {}

    std::vector<RawMesh> parseFile()
    {
        while (lex_.peek().kind != TokenKind::End) {
            const Token head = expect(TokenKind::Name, "an object or template at the top level");
            if (equalsIgnoreCase(head.text, "template"))
                skipTemplate();
            else
                parseTopLevelObject(head);
        }
        return std::move(meshes_);
    }

private:
    // -- objects --------------------------------------------------------------------------------

    void parseTopLevelObject(const Token& type)
    {
        const std::string name = readOptionalNameAndOpen(type);
        if (equalsIgnoreCase(type.text, "Frame"))
            parseFrameBody(1);
        else if (equalsIgnoreCase(type.text, "Mesh"))
            parseMeshBody();
        else if (equalsIgnoreCase(type.text, "Material"))
            namedMaterials_[name] = parseMaterialBody();
        else
            skipBody(type.text);
    }

    void parseFrameBody(int depth)
    {
        if (depth > kMaxFrameDepth)
            fail("frames nested deeper than " + std::to_string(kMaxFrameDepth));
        skipUuid();
        const std::size_t firstMesh = meshes_.size();
        std::optional<Matrix> transform;
        while (!acceptClose()) {
            if (lex_.peek().kind == TokenKind::OpenBrace) {
                skipReference();
                continue;
            }
            const Token child = expect(TokenKind::Name, "a child object of the Frame");
            readOptionalNameAndOpen(child);
            if (equalsIgnoreCase(child.text, "FrameTransformMatrix")) {
                if (transform)
                    fail("Frame holds a second FrameTransformMatrix");
                transform = parseMatrixBody();
            } else if (equalsIgnoreCase(child.text, "Frame")) {
                parseFrameBody(depth + 1);
            } else if (equalsIgnoreCase(child.text, "Mesh")) {
                parseMeshBody();
            } else {
                skipBody(child.text);
            }
        }
        // Applied when the frame closes, so the matrix may stand anywhere among the children and
        // meshes of nested frames get theirs first, then this one.
        if (transform)
            transformMeshes(meshes_, firstMesh, *transform);
    }

    Matrix parseMatrixBody()
    {
        skipUuid();
        Matrix m{};
        for (double& e : m)
            e = readFloat("FrameTransformMatrix element");
        expectClose("FrameTransformMatrix");
        return m;
    }

    void parseMeshBody()
    {
        skipUuid();
        RawMesh mesh;
        const std::size_t vertexCount = readCount("Mesh vertex count", 3);
        mesh.positions.reserve(vertexCount);
        for (std::size_t i = 0; i < vertexCount; ++i)
            mesh.positions.push_back(readVector("Mesh vertex"));
        readFaces("Mesh", vertexCount, mesh.faceSizes, mesh.faceIndices);

        while (!acceptClose()) {
            if (lex_.peek().kind == TokenKind::OpenBrace) {
                skipReference();
                continue;
            }
            const Token child = expect(TokenKind::Name, "a child object of the Mesh");
            readOptionalNameAndOpen(child);
            if (equalsIgnoreCase(child.text, "MeshNormals"))
                parseNormalsBody(mesh);
            else if (equalsIgnoreCase(child.text, "MeshTextureCoords"))
                parseTexCoordsBody(mesh);
            else if (equalsIgnoreCase(child.text, "MeshMaterialList"))
                parseMaterialListBody(mesh);
            else
                skipBody(child.text);
        }
        meshes_.push_back(std::move(mesh));
    }

    void parseNormalsBody(RawMesh& mesh)
    {
        if (mesh.hasNormals)
            fail("Mesh holds a second MeshNormals");
        skipUuid();
        const std::size_t count = readCount("MeshNormals normal count", 3);
        mesh.normals.reserve(count);
        for (std::size_t i = 0; i < count; ++i)
            mesh.normals.push_back(readVector("MeshNormals normal"));
        std::vector<std::uint32_t> sizes;
        readFaces("MeshNormals", count, sizes, mesh.normalIndices);
        if (sizes != mesh.faceSizes)
            fail("MeshNormals faces do not match the Mesh faces (" + std::to_string(sizes.size()) + " faces given for " +
                 std::to_string(mesh.faceSizes.size()) + ", or a face with a different corner count)");
        mesh.hasNormals = true;
        expectClose("MeshNormals");
    }

    void parseTexCoordsBody(RawMesh& mesh)
    {
        if (mesh.hasTexCoords)
            fail("Mesh holds a second MeshTextureCoords");
        skipUuid();
        const std::size_t count = readCount("MeshTextureCoords count", 2);
        if (count != mesh.positions.size())
            fail("MeshTextureCoords holds " + std::to_string(count) + " coordinates for " +
                 std::to_string(mesh.positions.size()) + " vertices");
        mesh.texCoords.reserve(count);
        for (std::size_t i = 0; i < count; ++i) {
            const float u = readFloat("texture coordinate u");
            const float v = readFloat("texture coordinate v");
            mesh.texCoords.push_back({u, v});
        }
        mesh.hasTexCoords = true;
        expectClose("MeshTextureCoords");
    }

    void parseMaterialListBody(RawMesh& mesh)
    {
        if (mesh.hasMaterialList)
            fail("Mesh holds a second MeshMaterialList");
        skipUuid();
        const std::size_t materialCount = readCount("MeshMaterialList material count", 1);
        const std::size_t indexCount = readCount("MeshMaterialList face index count", 1);
        const std::size_t faceCount = mesh.faceSizes.size();
        if (indexCount > faceCount || (indexCount == 0 && faceCount > 0))
            fail("MeshMaterialList gives " + std::to_string(indexCount) + " face indexes for " +
                 std::to_string(faceCount) + " faces");
        mesh.faceMaterials.reserve(faceCount);
        for (std::size_t i = 0; i < indexCount; ++i) {
            const int line = lex_.line();
            const std::uint32_t id = readUInt("MeshMaterialList face index");
            if (id >= materialCount)
                failAt(line, "material index " + std::to_string(id) + " out of range (" + std::to_string(materialCount) +
                     " materials)");
            mesh.faceMaterials.push_back(id);
        }
        // A shorter list means the remaining faces keep the last material.
        while (mesh.faceMaterials.size() < faceCount)
            mesh.faceMaterials.push_back(mesh.faceMaterials.back());

        while (!acceptClose()) {
            if (lex_.peek().kind == TokenKind::OpenBrace) {
                mesh.materials.push_back(resolveMaterialReference());
                continue;
            }
            const Token child = expect(TokenKind::Name, "a Material of the MeshMaterialList");
            readOptionalNameAndOpen(child);
            if (equalsIgnoreCase(child.text, "Material"))
                mesh.materials.push_back(parseMaterialBody());
            else
                skipBody(child.text);
        }
        if (mesh.materials.size() != materialCount)
            fail("MeshMaterialList declares " + std::to_string(materialCount) + " materials but holds " +
                 std::to_string(mesh.materials.size()));
        mesh.hasMaterialList = true;
    }

    MeshMaterial parseMaterialBody()
    {
        skipUuid();
        MeshMaterial m;
        for (float& c : m.diffuse)
            c = readFloat("Material face colour");
        m.power = readFloat("Material power");
        for (float& c : m.specular)
            c = readFloat("Material specular colour");
        for (float& c : m.emissive)
            c = readFloat("Material emissive colour");
        while (!acceptClose()) {
            if (lex_.peek().kind == TokenKind::OpenBrace) {
                skipReference();
                continue;
            }
            const Token child = expect(TokenKind::Name, "a child object of the Material");
            readOptionalNameAndOpen(child);
            if (equalsIgnoreCase(child.text, "TextureFilename") || equalsIgnoreCase(child.text, "TextureFileName")) {
                skipUuid();
                m.textureFilename = std::string(expect(TokenKind::String, "the texture file name").text);
                skipSeparators();
                expectClose("TextureFilename");
            } else {
                skipBody(child.text);
            }
        }
        return m;
    }

    MeshMaterial resolveMaterialReference()
    {
        const int line = lex_.line();
        expect(TokenKind::OpenBrace, "'{'");
        std::string name;
        if (lex_.peek().kind == TokenKind::Name)
            name = std::string(lex_.next().text);
        skipUuid();
        expectClose("material reference");
        const auto found = namedMaterials_.find(name);
        if (found == namedMaterials_.end())
            throw LoadError("line " + std::to_string(line) + ": reference to unknown material '" + name + "'");
        return found->second;
    }

    // -- members --------------------------------------------------------------------------------

    void readFaces(const char* owner, std::size_t vertexCount, std::vector<std::uint32_t>& sizes,
                   std::vector<std::uint32_t>& indices)
    {
        const std::string what = std::string(owner) + " face";
        const std::size_t faceCount = readCount((what + " count").c_str(), 4);
        sizes.reserve(faceCount);
        for (std::size_t f = 0; f < faceCount; ++f) {
            const int line = lex_.line();
            const std::size_t corners = readCount((what + " corner count").c_str(), 1);
            if (corners < 3)
                failAt(line, what + " " + std::to_string(f) + " has " + std::to_string(corners) + " corners; 3 or more needed");
            sizes.push_back(static_cast<std::uint32_t>(corners));
            for (std::size_t c = 0; c < corners; ++c) {
                const int indexLine = lex_.line();
                const std::uint32_t index = readUInt((what + " index").c_str());
                if (index >= vertexCount)
                    failAt(indexLine, what + " " + std::to_string(f) + " uses index " + std::to_string(index) + " of only " +
                         std::to_string(vertexCount));
                indices.push_back(index);
            }
            if (indices.size() > kMaxElements)
                fail(what + " corners exceed " + std::to_string(kMaxElements));
        }
    }

    Vec3 readVector(const char* what)
    {
        const float x = readFloat(what);
        const float y = readFloat(what);
        const float z = readFloat(what);
        return {x, y, z};
    }

    // A count of elements each spelt with at least `numbersPerElement` numbers, each number taking at
    // least two bytes with its separator: a count the rest of the file cannot hold is refused before
    // anything is allocated for it.
    std::size_t readCount(const char* what, std::size_t numbersPerElement)
    {
        const int line = lex_.line();
        const std::uint32_t count = readUInt(what);
        const std::size_t fits = (lex_.remaining() / 2 + 1) / numbersPerElement;
        if (count > kMaxElements || count > fits)
            throw LoadError("line " + std::to_string(line) + ": " + what + " " + std::to_string(count) +
                            " is more than the file can hold");
        return count;
    }

    std::uint32_t readUInt(const char* what)
    {
        const Token t = expect(TokenKind::Number, what);
        std::uint32_t value = 0;
        const auto [end, ec] = std::from_chars(t.text.data(), t.text.data() + t.text.size(), value);
        if (ec != std::errc() || end != t.text.data() + t.text.size())
            failAt(t.line, std::string(what) + " '" + std::string(t.text) + "' is not a non-negative integer");
        skipSeparators();
        return value;
    }

    float readFloat(const char* what)
    {
        const Token t = expect(TokenKind::Number, what);
        std::string_view s = t.text;
        if (!s.empty() && s.front() == '+')
            s.remove_prefix(1); // from_chars takes no plus sign
        float value = 0;
        const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
        if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(value))
            failAt(t.line, std::string(what) + " '" + std::string(t.text) + "' is not a number");
        skipSeparators();
        return value;
    }

    // Wine reads ';' and ',' leniently (a missing comma or an extra ';' is accepted); so do we.
    void skipSeparators()
    {
        while (lex_.peek().kind == TokenKind::Separator)
            lex_.next();
    }

    // -- structure ------------------------------------------------------------------------------

    std::string readOptionalNameAndOpen(const Token& type)
    {
        std::string name;
        if (lex_.peek().kind == TokenKind::Name)
            name = std::string(lex_.next().text);
        expect(TokenKind::OpenBrace, ("'{' after " + std::string(type.text)).c_str());
        return name;
    }

    void skipUuid()
    {
        if (lex_.peek().kind == TokenKind::Uuid)
            lex_.next();
    }

    bool acceptClose()
    {
        skipSeparators();
        const Token& t = lex_.peek();
        if (t.kind == TokenKind::End)
            failAt(t.line, "unexpected end of file inside an object");
        if (t.kind != TokenKind::CloseBrace)
            return false;
        lex_.next();
        return true;
    }

    void expectClose(const char* owner)
    {
        skipSeparators();
        expect(TokenKind::CloseBrace, ("'}' closing " + std::string(owner)).c_str());
    }

    void skipReference()
    {
        expect(TokenKind::OpenBrace, "'{'");
        skipBody("reference");
    }

    void skipTemplate()
    {
        expect(TokenKind::Name, "template name");
        expect(TokenKind::OpenBrace, "'{' after the template name");
        skipBody("template");
    }

    // Skips to the brace that closes the one just read; counting, not recursing.
    void skipBody(std::string_view owner)
    {
        int depth = 1;
        while (depth > 0) {
            const Token t = lex_.next();
            if (t.kind == TokenKind::End)
                failAt(t.line, "unexpected end of file inside " + std::string(owner));
            if (t.kind == TokenKind::OpenBrace)
                ++depth;
            else if (t.kind == TokenKind::CloseBrace)
                --depth;
        }
    }

    Token expect(TokenKind kind, const std::string& what)
    {
        const Token t = lex_.next();
        if (t.kind == kind)
            return t;
        if (t.kind == TokenKind::End)
            failAt(t.line, "unexpected end of file, expected " + what);
        failAt(t.line, "expected " + what + ", found '" + std::string(t.text) + "'");
    }

    [[noreturn]] void fail(const std::string& what) { failAt(lex_.line(), what); }
    [[noreturn]] static void failAt(int line, const std::string& what)
    {
        throw LoadError("line " + std::to_string(line) + ": " + what);
    }

    Lexer lex_;
    std::vector<RawMesh> meshes_;
    std::unordered_map<std::string, MeshMaterial> namedMaterials_;
};

// ---------------------------------------------------------------------------------------------
// Building the merged mesh

struct Triangle {
    std::uint32_t attrib;
    std::array<std::uint32_t, 3> corners;
};

// Appends `raw` to `out`: each position takes the normal of its first corner; a corner needing
// another normal gets a copy of the position appended after the mesh's own vertices.
void appendMesh(const RawMesh& raw, std::uint32_t attribOffset, MeshData& out, std::vector<Triangle>& triangles)
{
    const auto base = static_cast<std::uint32_t>(out.vertices.size());
    for (std::size_t i = 0; i < raw.positions.size(); ++i) {
        MeshVertex v{};
        v.px = raw.positions[i][0];
        v.py = raw.positions[i][1];
        v.pz = raw.positions[i][2];
        if (raw.hasTexCoords) {
            v.u = raw.texCoords[i][0];
            v.v = raw.texCoords[i][1];
        }
        out.vertices.push_back(v);
    }

    std::vector<std::uint32_t> normalOf(raw.positions.size(), kUnset);
    std::unordered_map<std::uint64_t, std::uint32_t> copies; // (position, normal index) -> vertex
    auto vertexFor = [&](std::uint32_t position, std::uint32_t normal) -> std::uint32_t {
        if (!raw.hasNormals)
            return base + position;
        const Vec3 n = normalised(raw.normals[normal]);
        if (normalOf[position] == kUnset) {
            normalOf[position] = normal;
            MeshVertex& v = out.vertices[base + position];
            v.nx = n[0], v.ny = n[1], v.nz = n[2];
        }
        if (normalOf[position] == normal)
            return base + position;
        const std::uint64_t key = (std::uint64_t{position} << 32) | normal;
        const auto found = copies.find(key);
        if (found != copies.end())
            return found->second;
        MeshVertex copy = out.vertices[base + position];
        copy.nx = n[0], copy.ny = n[1], copy.nz = n[2];
        const auto index = static_cast<std::uint32_t>(out.vertices.size());
        out.vertices.push_back(copy);
        copies.emplace(key, index);
        return index;
    };

    std::size_t corner = 0;
    std::vector<std::uint32_t> polygon;
    for (std::size_t f = 0; f < raw.faceSizes.size(); ++f) {
        polygon.clear();
        for (std::uint32_t c = 0; c < raw.faceSizes[f]; ++c, ++corner)
            polygon.push_back(vertexFor(raw.faceIndices[corner], raw.hasNormals ? raw.normalIndices[corner] : 0));
        const std::uint32_t attrib = attribOffset + (raw.hasMaterialList ? raw.faceMaterials[f] : 0);
        for (std::size_t k = 1; k + 1 < polygon.size(); ++k)
            triangles.push_back({attrib, {polygon[0], polygon[k], polygon[k + 1]}});
    }
}

MeshData buildMesh(const std::vector<RawMesh>& meshes)
{
    MeshData out;
    std::vector<Triangle> triangles;
    for (const RawMesh& raw : meshes) {
        const auto attribOffset = static_cast<std::uint32_t>(out.materials.size());
        appendMesh(raw, attribOffset, out, triangles);
        if (raw.hasMaterialList)
            out.materials.insert(out.materials.end(), raw.materials.begin(), raw.materials.end());
        else
            out.materials.push_back(MeshMaterial{}); // one default material for a mesh without a list
    }
    if (triangles.empty())
        throw LoadError("the file holds no mesh faces");

    std::stable_sort(triangles.begin(), triangles.end(),
                     [](const Triangle& a, const Triangle& b) { return a.attrib < b.attrib; });
    out.indices.reserve(triangles.size() * 3);
    std::uint32_t lowest = 0, highest = 0;
    for (std::size_t t = 0; t < triangles.size(); ++t) {
        const Triangle& tri = triangles[t];
        const std::uint32_t triLowest = std::min({tri.corners[0], tri.corners[1], tri.corners[2]});
        const std::uint32_t triHighest = std::max({tri.corners[0], tri.corners[1], tri.corners[2]});
        if (out.subsets.empty() || out.subsets.back().attribId != tri.attrib) {
            MeshSubset s;
            s.attribId = tri.attrib;
            s.faceStart = static_cast<std::uint32_t>(t);
            out.subsets.push_back(s);
            lowest = triLowest;
            highest = triHighest;
        }
        lowest = std::min(lowest, triLowest);
        highest = std::max(highest, triHighest);
        MeshSubset& s = out.subsets.back();
        ++s.faceCount;
        s.vertexStart = lowest;
        s.vertexCount = highest - lowest + 1;
        out.indices.insert(out.indices.end(), tri.corners.begin(), tri.corners.end());
    }
    return out;
}

std::size_t checkHeader(std::string_view text)
{
    constexpr std::size_t kHeaderSize = 16;
    if (text.size() < kHeaderSize)
        throw LoadError("line 1: file too short for the 16-byte .x header");
    const std::string_view header = text.substr(0, kHeaderSize);
    if (header.substr(0, 4) != "xof ")
        throw LoadError("line 1: not a .x file (no 'xof ' magic)");
    const std::string_view version = header.substr(4, 4);
    if (version != "0302" && version != "0303")
        throw LoadError("line 1: unsupported .x version '" + std::string(version) + "'");
    const std::string_view format = header.substr(8, 4);
    if (format != "txt ")
        throw LoadError("line 1: only the text .x format is supported, not '" + std::string(format) + "'");
    const std::string_view floatSize = header.substr(12, 4);
    if (floatSize != "0032" && floatSize != "0064")
        throw LoadError("line 1: bad float size '" + std::string(floatSize) + "' in the .x header");
    return kHeaderSize;
}

} // namespace

MeshData parseXFile(std::string_view text)
{
    const std::size_t bodyStart = checkHeader(text);
    XParser parser(text, bodyStart);
    return buildMesh(parser.parseFile());
}

MeshData loadXFile(const std::filesystem::path& path)
{
    std::ifstream in(existingNativePath(path), std::ios::binary);
    if (!in)
        throw LoadError(existingNativePath(path).string() + ": cannot open the file");
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad())
        throw LoadError(existingNativePath(path).string() + ": cannot read the file");
    try {
        return parseXFile(text);
    } catch (const LoadError& e) {
        throw LoadError(existingNativePath(path).string() + ": " + e.what());
    }
}

} // namespace platform
