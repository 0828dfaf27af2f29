#pragma once
// The Direct3D 9 numbers the scene works with, under our own names, so that portable code can
// use them without <d3d9.h>. Every value is the Direct3D 9 one; the d3d9 device checks them
// against the SDK headers at compile time, and the recording device interprets them.
//
// Keys (which state to set) are scoped enums for type safety. Values (what to set it to) are
// unscoped enums wrapped in a struct, so they read as `Blend::SrcAlpha` and convert to the
// 32-bit state value without a cast, as they do in Direct3D.

#include <bit>
#include <cstdint>

#include "core/result.h"

namespace skyloom {

// ARGB colour, 8 bits per channel, alpha in the top byte.
using Color = std::uint32_t;

constexpr Color argb(std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return ((a & 0xFF) << 24) | ((r & 0xFF) << 16) | ((g & 0xFF) << 8) | (b & 0xFF);
}

// Float-valued render states (fog start and end, point size ...) take the float's bits.
constexpr std::uint32_t floatBits(float f) { return std::bit_cast<std::uint32_t>(f); }
constexpr float bitsToFloat(std::uint32_t v) { return std::bit_cast<float>(v); }

// Device errors beyond the generic codes of core/result.h.
constexpr HResult kD3DInvalidCall = static_cast<HResult>(0x8876086Cu);
constexpr HResult kD3DNotAvailable = static_cast<HResult>(0x8876086Au);
constexpr HResult kD3DDeviceLost = static_cast<HResult>(0x88760868u);
constexpr HResult kD3DDeviceNotReset = static_cast<HResult>(0x88760869u);
constexpr HResult kD3DOutOfVideoMemory = static_cast<HResult>(0x8876017Cu);
constexpr HResult kD3DWasStillDrawing = static_cast<HResult>(0x8876021Cu);
constexpr HResult kD3DDriverInternalError = static_cast<HResult>(0x88760827u);

enum class RenderState : std::uint32_t {
  ZEnable = 7,
  FillMode = 8,
  ShadeMode = 9,
  ZWriteEnable = 14,
  AlphaTestEnable = 15,
  LastPixel = 16,
  SrcBlend = 19,
  DestBlend = 20,
  CullMode = 22,
  ZFunc = 23,
  AlphaRef = 24,
  AlphaFunc = 25,
  DitherEnable = 26,
  AlphaBlendEnable = 27,
  FogEnable = 28,
  SpecularEnable = 29,
  FogColor = 34,
  FogTableMode = 35,
  FogStart = 36,  // float bits
  FogEnd = 37,    // float bits
  FogDensity = 38,  // float bits
  RangeFogEnable = 48,
  StencilEnable = 52,
  StencilFail = 53,
  StencilZFail = 54,
  StencilPass = 55,
  StencilFunc = 56,
  StencilRef = 57,
  StencilMask = 58,
  StencilWriteMask = 59,
  TextureFactor = 60,
  Wrap0 = 128,
  Clipping = 136,
  Lighting = 137,
  Ambient = 139,
  FogVertexMode = 140,
  ColorVertex = 141,
  LocalViewer = 142,
  NormalizeNormals = 143,
  DiffuseMaterialSource = 145,
  SpecularMaterialSource = 146,
  AmbientMaterialSource = 147,
  EmissiveMaterialSource = 148,
  VertexBlend = 151,
  ClipPlaneEnable = 152,
  PointSize = 154,  // float bits
  PointSizeMin = 155,
  PointSpriteEnable = 156,
  PointScaleEnable = 157,
  MultisampleAntialias = 161,
  MultisampleMask = 162,
  PointSizeMax = 166,
  ColorWriteEnable = 168,
  BlendOp = 171,
  ScissorTestEnable = 174,
  SlopeScaleDepthBias = 175,
  AntialiasedLineEnable = 176,
  BlendFactor = 193,
  DepthBias = 195,
  SeparateAlphaBlendEnable = 206,
  SrcBlendAlpha = 207,
  DestBlendAlpha = 208,
  BlendOpAlpha = 209,
};
// Render-state values lie below this bound; the recording device keeps one slot per value.
constexpr std::uint32_t kRenderStateLimit = 210;

enum class TextureStageState : std::uint32_t {
  ColorOp = 1,
  ColorArg1 = 2,
  ColorArg2 = 3,
  AlphaOp = 4,
  AlphaArg1 = 5,
  AlphaArg2 = 6,
  BumpEnvMat00 = 7,
  BumpEnvMat01 = 8,
  BumpEnvMat10 = 9,
  BumpEnvMat11 = 10,
  TexCoordIndex = 11,
  BumpEnvLScale = 22,
  BumpEnvLOffset = 23,
  TextureTransformFlags = 24,
  ColorArg0 = 26,
  AlphaArg0 = 27,
  ResultArg = 28,
  Constant = 32,
};
constexpr std::uint32_t kTextureStageStateLimit = 33;

enum class SamplerState : std::uint32_t {
  AddressU = 1,
  AddressV = 2,
  AddressW = 3,
  BorderColor = 4,
  MagFilter = 5,
  MinFilter = 6,
  MipFilter = 7,
  MipMapLodBias = 8,  // float bits
  MaxMipLevel = 9,
  MaxAnisotropy = 10,
  SrgbTexture = 11,
  ElementIndex = 12,
  DmapOffset = 13,
};
constexpr std::uint32_t kSamplerStateLimit = 14;

// The fixed-function pipeline has eight texture stages and samplers.
constexpr std::uint32_t kMaxTextureStages = 8;

enum class TransformState : std::uint32_t {
  View = 2,
  Projection = 3,
  Texture0 = 16,
  Texture1 = 17,
  Texture2 = 18,
  Texture3 = 19,
  Texture4 = 20,
  Texture5 = 21,
  Texture6 = 22,
  Texture7 = 23,
  World = 256,  // world matrix 0
};

constexpr TransformState textureTransform(std::uint32_t stage) {
  return static_cast<TransformState>(static_cast<std::uint32_t>(TransformState::Texture0) + stage);
}

enum class PrimitiveType : std::uint32_t {
  PointList = 1,
  LineList = 2,
  LineStrip = 3,
  TriangleList = 4,
  TriangleStrip = 5,
  TriangleFan = 6,
};

enum class Format : std::uint32_t {
  Unknown = 0,
  R8G8B8 = 20,
  A8R8G8B8 = 21,
  X8R8G8B8 = 22,
  R5G6B5 = 23,
  X1R5G5B5 = 24,
  A1R5G5B5 = 25,
  A4R4G4B4 = 26,
  A8 = 28,
  X4R4G4B4 = 30,
  A8B8G8R8 = 32,
  X8B8G8R8 = 33,
  L8 = 50,
  A8L8 = 51,
  D16 = 80,
  D15S1 = 73,
  D24X8 = 77,
  D24S8 = 75,
  D24X4S4 = 79,
  D32 = 71,
  Index16 = 101,
  Index32 = 102,
  Dxt1 = 0x31545844,  // 'D' 'X' 'T' '1'
  Dxt3 = 0x33545844,
  Dxt5 = 0x35545844,
};

enum class Pool : std::uint32_t {
  Default = 0,
  Managed = 1,
  SystemMem = 2,
  Scratch = 3,
};

struct Usage {
  enum : std::uint32_t {
    None = 0,
    RenderTarget = 0x1,
    DepthStencil = 0x2,
    WriteOnly = 0x8,
    Dynamic = 0x200,
    AutoGenMipMap = 0x400,
  };
};

struct Lock {
  enum : std::uint32_t {
    None = 0,
    ReadOnly = 0x10,
    NoSysLock = 0x800,
    NoOverwrite = 0x1000,
    Discard = 0x2000,
    NoDirtyUpdate = 0x8000,
  };
};

struct ClearFlag {
  enum : std::uint32_t { Target = 0x1, ZBuffer = 0x2, Stencil = 0x4 };
};

// Flexible vertex format bits.
struct Fvf {
  enum : std::uint32_t {
    Xyz = 0x002,
    XyzRhw = 0x004,
    XyzB1 = 0x006,
    XyzB2 = 0x008,
    XyzB3 = 0x00A,
    XyzB4 = 0x00C,
    XyzB5 = 0x00E,
    Xyzw = 0x4002,
    PositionMask = 0x400E,
    Normal = 0x010,
    PSize = 0x020,
    Diffuse = 0x040,
    Specular = 0x080,
    TexCountMask = 0xF00,
    TexCountShift = 8,
    Tex0 = 0x000,
    Tex1 = 0x100,
    Tex2 = 0x200,
    Tex3 = 0x300,
    Tex4 = 0x400,
    Tex5 = 0x500,
    Tex6 = 0x600,
    Tex7 = 0x700,
    Tex8 = 0x800,
    LastBetaUByte4 = 0x1000,
    LastBetaD3DColor = 0x8000,
  };
};

// Size in bytes of one vertex of the given flexible vertex format, honouring the per-set
// texture coordinate sizes (bits 16 + 2i); 0 for a format without a position.
std::uint32_t fvfVertexSize(std::uint32_t fvf);

struct Cull {
  enum : std::uint32_t { None = 1, Cw = 2, Ccw = 3 };
};

struct FillMode {
  enum : std::uint32_t { Point = 1, Wireframe = 2, Solid = 3 };
};

struct ShadeMode {
  enum : std::uint32_t { Flat = 1, Gouraud = 2, Phong = 3 };
};

struct ZBuffer {
  enum : std::uint32_t { False = 0, True = 1, UseW = 2 };
};

struct Blend {
  enum : std::uint32_t {
    Zero = 1,
    One = 2,
    SrcColor = 3,
    InvSrcColor = 4,
    SrcAlpha = 5,
    InvSrcAlpha = 6,
    DestAlpha = 7,
    InvDestAlpha = 8,
    DestColor = 9,
    InvDestColor = 10,
    SrcAlphaSat = 11,
    BothSrcAlpha = 12,
    BothInvSrcAlpha = 13,
    BlendFactor = 14,
    InvBlendFactor = 15,
  };
};

struct BlendOp {
  enum : std::uint32_t { Add = 1, Subtract = 2, RevSubtract = 3, Min = 4, Max = 5 };
};

struct Cmp {
  enum : std::uint32_t {
    Never = 1,
    Less = 2,
    Equal = 3,
    LessEqual = 4,
    Greater = 5,
    NotEqual = 6,
    GreaterEqual = 7,
    Always = 8,
  };
};

struct StencilOp {
  enum : std::uint32_t { Keep = 1, Zero = 2, Replace = 3, IncrSat = 4, DecrSat = 5, Invert = 6, Incr = 7, Decr = 8 };
};

struct FogMode {
  enum : std::uint32_t { None = 0, Exp = 1, Exp2 = 2, Linear = 3 };
};

struct MaterialSource {
  enum : std::uint32_t { Material = 0, Color1 = 1, Color2 = 2 };
};

struct TextureOp {
  enum : std::uint32_t {
    Disable = 1,
    SelectArg1 = 2,
    SelectArg2 = 3,
    Modulate = 4,
    Modulate2x = 5,
    Modulate4x = 6,
    Add = 7,
    AddSigned = 8,
    AddSigned2x = 9,
    Subtract = 10,
    AddSmooth = 11,
    BlendDiffuseAlpha = 12,
    BlendTextureAlpha = 13,
    BlendFactorAlpha = 14,
    BlendTextureAlphaPm = 15,
    BlendCurrentAlpha = 16,
    PreModulate = 17,
    ModulateAlphaAddColor = 18,
    ModulateColorAddAlpha = 19,
    ModulateInvAlphaAddColor = 20,
    ModulateInvColorAddAlpha = 21,
    BumpEnvMap = 22,
    BumpEnvMapLuminance = 23,
    DotProduct3 = 24,
    MultiplyAdd = 25,
    Lerp = 26,
  };
};

// The TextureOpCaps bit of an operation: operation n is bit n - 1.
constexpr std::uint32_t textureOpCap(std::uint32_t op) { return op == 0 ? 0 : 1u << (op - 1); }

struct TextureArg {
  enum : std::uint32_t {
    Diffuse = 0,
    Current = 1,
    Texture = 2,
    TFactor = 3,
    Specular = 4,
    Temp = 5,
    Constant = 6,
    SelectMask = 0xF,
    Complement = 0x10,
    AlphaReplicate = 0x20,
  };
};

struct TextureTransformFlags {
  enum : std::uint32_t { Disable = 0, Count1 = 1, Count2 = 2, Count3 = 3, Count4 = 4, Projected = 256 };
};

struct TextureFilter {
  enum : std::uint32_t { None = 0, Point = 1, Linear = 2, Anisotropic = 3, PyramidalQuad = 6, GaussianQuad = 7 };
};

struct TextureAddress {
  enum : std::uint32_t { Wrap = 1, Mirror = 2, Clamp = 3, Border = 4, MirrorOnce = 5 };
};

struct LightType {
  enum : std::uint32_t { Point = 1, Spot = 2, Directional = 3 };
};

// Capability bits of DeviceCaps, as far as the program looks at them.
struct DevCaps {
  enum : std::uint32_t { HwTransformAndLight = 0x10000, PureDevice = 0x100000 };
};

struct TextureCaps {
  enum : std::uint32_t {
    Perspective = 0x1,
    Pow2 = 0x2,
    Alpha = 0x4,
    SquareOnly = 0x20,
    NonPow2Conditional = 0x100,
    Projected = 0x400,
    MipMap = 0x4000,
  };
};

struct FilterCaps {
  enum : std::uint32_t {
    MinPoint = 0x100,
    MinLinear = 0x200,
    MinAnisotropic = 0x400,
    MipPoint = 0x10000,
    MipLinear = 0x20000,
    MagPoint = 0x1000000,
    MagLinear = 0x2000000,
    MagAnisotropic = 0x4000000,
  };
};

struct RasterCaps {
  enum : std::uint32_t { FogVertex = 0x80, FogTable = 0x100, FogRange = 0x10000, Anisotropy = 0x20000, WFog = 0x100000 };
};

// Shader version tokens: 0xFFFE0000 | major << 8 | minor for vertex shaders.
constexpr std::uint32_t vertexShaderVersion(std::uint32_t major, std::uint32_t minor) {
  return 0xFFFE0000u | (major << 8) | minor;
}

}  // namespace skyloom
