#include "tracking/SegmentIndex.h"

#include <boost/geometry.hpp>
#include <boost/geometry/index/rtree.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace quorvex::tracking {

namespace bg = boost::geometry;
namespace bgi = boost::geometry::index;

namespace {

constexpr double meanRadiusMetres = 6371008.8;
// A margin on the sphere's distances for the ellipsoid's, relative and absolute (metres).
constexpr double ellipsoidMargin = 0.01;
constexpr double marginMetres = 1.0;

double dot(const auto& a, const auto& b) {
    return bg::get<0>(a) * bg::get<0>(b) + bg::get<1>(a) * bg::get<1>(b) + bg::get<2>(a) * bg::get<2>(b);
}

using Point = bg::model::point<double, 3, bg::cs::cartesian>;
using Box = bg::model::box<Point>;
using Entry = std::pair<Box, std::uint32_t>;

Point unit(const GeoPoint& position) {
    const double lat = position.lat * std::numbers::pi / 180;
    const double lon = position.lon * std::numbers::pi / 180;
    return {std::cos(lat) * std::cos(lon), std::cos(lat) * std::sin(lon), std::sin(lat)};
}

}  // namespace

struct SegmentIndex::Tree {
    std::vector<Point> vertices;
    bgi::rtree<Entry, bgi::rstar<16>> tree;

    SegmentCandidate measure(const Point& p, std::uint32_t segment) const;
};

SegmentIndex::SegmentIndex(SegmentIndex&&) noexcept = default;
SegmentIndex& SegmentIndex::operator=(SegmentIndex&&) noexcept = default;
SegmentIndex::~SegmentIndex() = default;

SegmentIndex::SegmentIndex(std::span<const GeoPoint> line) : tree_(std::make_unique<Tree>()) {
    std::vector<Point>& vertices = tree_->vertices;
    vertices.reserve(line.size());
    std::transform(line.begin(), line.end(), std::back_inserter(vertices), unit);
    std::vector<Entry> entries;
    entries.reserve(line.size());
    for (std::size_t i = 0; i + 1 < vertices.size(); ++i) {
        const Point& a = vertices[i];
        const Point& b = vertices[i + 1];
        // The arc bulges out of the chord by its sagitta (c^2 / 8 on the unit sphere).
        const double chord = bg::distance(a, b);
        const double bulge = chord * chord / 8 + 1e-9;
        const Box box(
            {std::min(bg::get<0>(a), bg::get<0>(b)) - bulge, std::min(bg::get<1>(a), bg::get<1>(b)) - bulge,
             std::min(bg::get<2>(a), bg::get<2>(b)) - bulge},
            {std::max(bg::get<0>(a), bg::get<0>(b)) + bulge, std::max(bg::get<1>(a), bg::get<1>(b)) + bulge,
             std::max(bg::get<2>(a), bg::get<2>(b)) + bulge});
        entries.emplace_back(box, static_cast<std::uint32_t>(i));
    }
    tree_->tree = decltype(tree_->tree)(entries.begin(), entries.end());
}

SegmentCandidate SegmentIndex::Tree::measure(const Point& p, std::uint32_t segment) const {
    const Point& a = vertices[segment];
    const Point& b = vertices[segment + 1];
    Point ab = b;
    bg::subtract_point(ab, a);
    Point ap = p;
    bg::subtract_point(ap, a);
    const double squared = dot(ab, ab);
    const double t = squared > 0 ? std::clamp(dot(ap, ab) / squared, 0.0, 1.0) : 0.0;
    Point nearest = ab;
    bg::multiply_value(nearest, t);
    bg::add_point(nearest, a);
    return {segment, t, bg::distance(p, nearest) * meanRadiusMetres};
}

std::vector<SegmentCandidate> SegmentIndex::near(const GeoPoint& position, double slackMetres) const {
    const Point p = unit(position);
    std::vector<SegmentCandidate> found;
    double best = std::numeric_limits<double>::infinity();
    const auto reach = [&] { return best * (1 + ellipsoidMargin) + marginMetres + slackMetres; };
    // The k nearest boxes, k growing until the farthest of them lies beyond the reach: then no
    // box left out can hold a segment within it. (Boost's incremental query is far slower.)
    const auto& tree = tree_->tree;
    std::vector<Entry> entries;
    for (std::size_t k = 8;; k *= 4) {
        entries.clear();
        found.clear();
        best = std::numeric_limits<double>::infinity();
        tree.query(bgi::nearest(p, static_cast<unsigned>(k)), std::back_inserter(entries));
        double farthestBox = 0;
        for (const Entry& entry : entries) {
            farthestBox = std::max(farthestBox, bg::distance(p, entry.first) * meanRadiusMetres);
            found.push_back(tree_->measure(p, entry.second));
            best = std::min(best, found.back().approxMetres);
        }
        if (entries.size() < k || farthestBox > reach()) {
            break;
        }
    }
    std::erase_if(found, [&](const SegmentCandidate& c) { return c.approxMetres > reach(); });
    std::sort(found.begin(), found.end(), [](const SegmentCandidate& x, const SegmentCandidate& y) {
        return x.approxMetres < y.approxMetres;
    });
    return found;
}

}  // namespace quorvex::tracking
