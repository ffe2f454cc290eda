#include "tracking/RouteReader.h"

#include "tracking/RouteBuilder.h"
#include "tracking/TrackingText.h"

#include <cpl_error.h>
#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <memory>
#include <mutex>

namespace quorvex::tracking {

namespace {

using Transformation =
    std::unique_ptr<OGRCoordinateTransformation, decltype(&OGRCoordinateTransformation::DestroyCT)>;

// GDAL's errors are collected here and said in our words, not printed by GDAL on standard error.
class QuietGdal {
public:
    QuietGdal() {
        static std::once_flag registered;
        std::call_once(registered, [] { GDALAllRegister(); });
        CPLErrorReset();
        CPLPushErrorHandler(CPLQuietErrorHandler);
    }
    ~QuietGdal() { CPLPopErrorHandler(); }
    QuietGdal(const QuietGdal&) = delete;
    QuietGdal& operator=(const QuietGdal&) = delete;

    static std::string lastError() {
        const std::string message = CPLGetLastErrorMsg();
        return message.empty() ? std::string() : " (" + message + ")";
    }
};

const OGRSpatialReference& wgs84() {
    static const OGRSpatialReference reference = [] {
        OGRSpatialReference r;
        r.SetWellKnownGeogCS("WGS84");
        r.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
        return r;
    }();
    return reference;
}

// Nothing when the layer is already on WGS84 (or says nothing, as GPX and GeoJSON may not).
std::string transformationOf(OGRLayer& layer, Transformation& transformation) {
    const OGRSpatialReference* source = layer.GetSpatialRef();
    if (source == nullptr || source->IsSame(&wgs84())) {
        return {};
    }
    transformation.reset(OGRCreateCoordinateTransformation(source, &wgs84()));
    return transformation ? std::string()
                          : "layer " + std::string(layer.GetName()) +
                                ": no way from its coordinate "
                                "system to WGS84" +
                                QuietGdal::lastError();
}

// GPX lists every vertex of routes and tracks again as points; they are not markers.
bool isVertexLayer(GDALDataset& dataset, OGRLayer& layer) {
    const std::string driver = dataset.GetDriverName();
    const std::string name = layer.GetName();
    return driver == "GPX" && (name == "route_points" || name == "track_points");
}

std::vector<GeoPoint> partOf(const OGRLineString& line) {
    std::vector<GeoPoint> part;
    part.reserve(line.getNumPoints());
    for (int i = 0; i < line.getNumPoints(); ++i) {
        part.push_back({line.getY(i), line.getX(i)});
    }
    return part;
}

std::string fieldText(const OGRFeature& feature, const char* field) {
    const int index = feature.GetFieldIndex(field);
    return index >= 0 && feature.IsFieldSetAndNotNull(index) ? feature.GetFieldAsString(index) : "";
}

std::string readMarker(const OGRFeature& feature, const OGRPoint& point, RouteDraft& draft) {
    MarkerDraft marker{fieldText(feature, "name"), {point.getY(), point.getX()}, std::nullopt};
    if (marker.name.empty()) {
        return "a marker without a name at latitude " + formatDegrees(point.getY()) + ", longitude " +
               formatDegrees(point.getX());
    }
    // Read as text, so "12,400" is refused rather than taken for 12 m.
    if (const std::string chainage = fieldText(feature, "chainage"); !chainage.empty()) {
        marker.surveyedChainageMetres = parseNumber(chainage);
        if (!marker.surveyedChainageMetres || *marker.surveyedChainageMetres < 0) {
            return "marker " + marker.name + ": its chainage \"" + chainage + "\" is not a number of metres";
        }
    }
    draft.markers.push_back(std::move(marker));
    return {};
}

std::string readFeature(const OGRFeature& feature, OGRGeometry& geometry, RouteDraft& draft) {
    switch (wkbFlatten(geometry.getGeometryType())) {
        case wkbPoint:
            return readMarker(feature, *geometry.toPoint(), draft);
        case wkbLineString:
            draft.parts.push_back(partOf(*geometry.toLineString()));
            break;
        case wkbMultiLineString:
            for (const OGRLineString* line : *geometry.toMultiLineString()) {
                draft.parts.push_back(partOf(*line));
            }
            break;
        case wkbMultiPoint:
            return "marker " + fieldText(feature, "name") + " is more than one point";
        default:
            break;  // areas and the like are not part of a route
    }
    if (draft.name.empty()) {
        draft.name = fieldText(feature, "name");
    }
    return {};
}

std::string readLayer(OGRLayer& layer, RouteDraft& draft) {
    Transformation transformation(nullptr, &OGRCoordinateTransformation::DestroyCT);
    if (std::string error = transformationOf(layer, transformation); !error.empty()) {
        return error;
    }
    for (const auto& feature : layer) {
        OGRGeometry* geometry = feature->GetGeometryRef();
        if (geometry == nullptr) {
            continue;
        }
        if (transformation && geometry->transform(transformation.get()) != OGRERR_NONE) {
            return "layer " + std::string(layer.GetName()) + ": a feature cannot be taken to WGS84" +
                   QuietGdal::lastError();
        }
        if (std::string error = readFeature(*feature, *geometry, draft); !error.empty()) {
            return error;
        }
    }
    return {};
}

}  // namespace

std::string readRouteDraft(const std::filesystem::path& path, RouteDraft& draft) {
    const QuietGdal quiet;
    const GDALDatasetUniquePtr dataset(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
    if (!dataset) {
        return "not a route file GDAL can read" + QuietGdal::lastError();
    }
    for (OGRLayer* layer : dataset->GetLayers()) {
        if (isVertexLayer(*dataset, *layer)) {
            continue;
        }
        if (std::string error = readLayer(*layer, draft); !error.empty()) {
            return error;
        }
    }
    if (draft.name.empty()) {
        draft.name = path.stem().string();
    }
    return {};
}

std::string readRoute(const std::filesystem::path& path, const RouteLimits& limits,
                      std::optional<Route>& route) {
    RouteDraft draft;
    if (std::string error = readRouteDraft(path, draft); !error.empty()) {
        return error;
    }
    return buildRoute(std::move(draft), limits, route);
}

}  // namespace quorvex::tracking
