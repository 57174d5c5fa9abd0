#pragma once

// The kernel's bit-identity table: on every vector path this processor runs, single splits and
// chains of pieces of awkward values against the textbook triangle. Shared by the Qt Test and
// the runner without Qt that the WebAssembly build runs.

#include "core/MidpointKernel.h"
#include "geometry/Polyline.h"

#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

// Inputs where an add or a halving done another way, or fused, would round or overflow
// differently.
enum class Values { Random, NearOverflow, Subnormal, SignedZeros, InfinitiesAndNaN, LoneSpike };

struct IdentityCase
{
    std::string name;
    int size;
    Values values;
};

extern const std::pair<bezier::VectorPath, const char *> kVectorPaths[3];

std::vector<IdentityCase> identityCases();

// Empty when every path gives the textbook's bits; otherwise what differed, with the seed.
std::string identityFailure(const IdentityCase &identityCase);

// The de Casteljau triangle kept whole, row after row, as a textbook would write it.
Polyline fullTriangleSubdivide(const Polyline &p);

// The same bits, NaN payloads aside.
bool bitIdentical(const Polyline &a, const Polyline &b);

Polyline polygonOf(Values kind, std::mt19937_64 &random, std::size_t size);

// A held point's drag updated by its influence against a rebuild from scratch after every move.
struct InfluenceCase
{
    std::string name;
    int count;
    int level;
    int moves;
    double spread;
};

std::vector<InfluenceCase> influenceCases();

// Empty when every step is within 1e-12 of the points' scale of a rebuild and the levels after
// the drop are a rebuild's bit for bit; otherwise what differed, with the seed.
std::string influenceFailure(const InfluenceCase &influenceCase, unsigned seed);
