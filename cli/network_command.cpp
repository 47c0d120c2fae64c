#include "network_command.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <unordered_map>
#include <variant>

#include "cli_common.h"
#include "conversions.h"
#include "csv_writer.h"
#include "data_dir.h"
#include "data_file.h"
#include "dem.h"
#include "design_command.h"
#include "design_file.h"
#include "exit_status.h"
#include "geo.h"
#include "link_study.h"
#include "map_writer.h"
#include "parallel_rows.h"
#include "performance_rows.h"
#include "profile_export.h"

namespace hopscale {
namespace {

using Json = nlohmann::ordered_json;
using design::End;
using terrain::MapValue;

constexpr std::size_t kChunkLinks = 4;
constexpr std::size_t kMaxLinkMessages = 20;
// GDAL's block cache for a run that reads rasters: an area of 1-arc-second tiles stays in it.
constexpr std::int64_t kRasterCacheBytes = std::int64_t{1} << 30;

// ---- the figures of one link: one cell per column, for the CSV and the map alike

enum class CellType { Text, Number };
struct Column {
    const char* name;
    CellType type;
};
const std::vector<Column>& columns() {
    static const std::vector<Column> list = {
        {"name", CellType::Text},
        {"from", CellType::Text},
        {"to", CellType::Text},
        {"pathKm", CellType::Number},
        {"fromAzimuthDeg", CellType::Number},
        {"toAzimuthDeg", CellType::Number},
        {"abRslDbm", CellType::Number},
        {"abFadeMarginDb", CellType::Number},
        {"abAvailabilityPercent", CellType::Number},
        {"baRslDbm", CellType::Number},
        {"baFadeMarginDb", CellType::Number},
        {"baAvailabilityPercent", CellType::Number},
        {"twoWayAvailabilityPercent", CellType::Number},
        {"targetPercent", CellType::Number},
        {"targetMet", CellType::Text},
        {"clearanceMet", CellType::Text},
        {"criteria", CellType::Text},
        {"worstClearanceF1", CellType::Text},
        {"heightNeededFromM", CellType::Number},
        {"heightNeededToM", CellType::Number},
        {"diffractionLossDb", CellType::Number},
        {"verdict", CellType::Text},
        {"error", CellType::Text},
    };
    return list;
}
std::size_t columnIndex(std::string_view name) {
    const auto& list = columns();
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (name == list[i].name) return i;
    }
    return list.size();  // never: the names below are the table's
}

// A verdict and its colour on the map.
struct Verdict {
    const char* text;
    const char* colour;  // "green", "amber", "red", "grey"
    const char* pen;     // KML line style
};
constexpr Verdict kMeets{"clear, meets the target", "green", "PEN(c:#00C000,w:4px)"};
constexpr Verdict kMisses{"clear, misses the target", "amber", "PEN(c:#FFB000,w:4px)"};
constexpr Verdict kNotClear{"not clear", "red", "PEN(c:#E00000,w:4px)"};
constexpr Verdict kNotClosing{"does not close", "red", "PEN(c:#E00000,w:4px)"};
constexpr Verdict kFailed{"error", "red", "PEN(c:#E00000,w:4px)"};
constexpr Verdict kNoProfile{"not judged: no profile", "grey", "PEN(c:#808080,w:3px)"};
constexpr Verdict kNoThreshold{"not judged: no thresholds", "grey", "PEN(c:#808080,w:3px)"};

const Verdict* verdictOf(const design::LinkStudy& study) {
    for (const design::DirectionStudy& d : study.directions) {
        if (d.performance && d.performance->flatFadeMarginDb < 0) return &kNotClosing;
    }
    if (study.clearance && !study.clearance->allMet) return &kNotClear;
    if (!study.twoWay) return &kNoThreshold;
    if (!study.clearance) return &kNoProfile;
    return study.twoWay->targetMet ? &kMeets : &kMisses;
}

// "KEY: message" for an error of a design value, else the message.
std::string keyedMessage(const Error& e) {
    const std::string message = cli::errorMessage(e);
    return e.key.empty() ? message : e.key + ": " + message;
}

// Packed texts of one end as WGS84 degrees (east positive), read as the design reads them (the
// number a text starts with: "413000N"); empty when they cannot be read.
std::optional<GeoPoint> siteDegrees(const std::string& lat, const std::string& lon) {
    Result<GeoPoint> point = readPackedPoint(lat, lon, Field::Text5, Field::Text6);
    if (!point) return std::nullopt;
    return *point.value;
}

void studyCells(std::vector<MapValue>& cells, const design::LinkDesign& d,
                const design::LinkStudy& study) {
    auto set = [&](const char* name, MapValue value) { cells[columnIndex(name)] = value; };
    auto number = [&](const char* name, std::optional<double> value) {
        if (value && std::isfinite(*value)) set(name, *value);
    };
    const auto from = siteDegrees(d.site(End::From).lat, d.site(End::From).lon);
    const auto to = siteDegrees(d.site(End::To).lat, d.site(End::To).lon);
    if (from && to) {
        number("pathKm", geodesicKm(*from, *to));
    } else if (study.directions[0].budget.ok()) {
        // The budget's miles are survey miles.
        number("pathKm", study.directions[0].state.results.pathLengthMiles * kKmPerSurveyMile);
    }
    number("fromAzimuthDeg", study.sites[0].azimuthDeg);
    number("toAzimuthDeg", study.sites[1].azimuthDeg);
    const char* prefixes[] = {"ab", "ba"};
    for (std::size_t i = 0; i < design::kEndCount; ++i) {
        const design::DirectionStudy& dir = study.directions[i];
        const std::string p = prefixes[i];
        if (dir.performance) {
            number((p + "RslDbm").c_str(), dir.performance->rslDbm);
            number((p + "FadeMarginDb").c_str(), dir.performance->flatFadeMarginDb);
            number((p + "AvailabilityPercent").c_str(), dir.performance->availabilityPercent);
        } else if (dir.budget.ok()) {
            number((p + "RslDbm").c_str(), dir.state.results.receiveSignalLevel);
        }
    }
    if (study.twoWay) {
        number("twoWayAvailabilityPercent", study.twoWay->availabilityPercent);
        number("targetPercent", study.twoWay->targetPercent);
        set("targetMet", std::string(study.twoWay->targetMet ? "yes" : "no"));
    }
    if (study.clearance) {
        const terrain::ClearanceReport& r = *study.clearance;
        set("clearanceMet", std::string(r.allMet ? "yes" : "no"));
        std::string criteria, worst;
        for (const terrain::CriterionResult& c : r.criteria) {
            if (!criteria.empty()) criteria += "; ", worst += ";";
            criteria += terrain::describe(c.criterion) + (c.met ? ": met" : ": not met");
            worst += design::numberText(c.worst.clearanceF1, -1);
        }
        set("criteria", criteria);
        set("worstClearanceF1", worst);
        number("heightNeededFromM", r.heightsNeeded.fromM);
        number("heightNeededToM", r.heightsNeeded.toM);
        number("diffractionLossDb", study.propagation->diffraction.lossDb);
    }
}

// ---- rasters opened once per core

// Elevation rasters by their list of files, each set lent to one evaluation at a time
// (a set remembers its last raster and so is not for two threads at once).
class RasterPool {
  public:
    explicit RasterPool(std::size_t keep) : keep_(keep) {}

    // A set for `paths`, opened now when none is free; null when they cannot be opened (the
    // evaluation then opens them itself and reports why).
    std::unique_ptr<terrain::ElevationRasters> take(const std::vector<std::string>& paths) {
        {
            std::lock_guard lock(mutex_);
            auto& free = free_[paths];
            if (!free.empty()) {
                auto rasters = std::move(free.back());
                free.pop_back();
                --pooled_;
                return rasters;
            }
        }
        std::call_once(cacheSized_, [] { (void)terrain::setRasterCacheBytes(kRasterCacheBytes); });
        auto opened = terrain::ElevationRasters::open(paths);
        if (!opened) return nullptr;
        return std::make_unique<terrain::ElevationRasters>(std::move(*opened.value));
    }
    void give(const std::vector<std::string>& paths,
              std::unique_ptr<terrain::ElevationRasters> rasters) {
        std::lock_guard lock(mutex_);
        if (pooled_ >= keep_) return;  // many different lists: keep a few
        free_[paths].push_back(std::move(rasters));
        ++pooled_;
    }

  private:
    std::mutex mutex_;
    std::map<std::vector<std::string>, std::vector<std::unique_ptr<terrain::ElevationRasters>>>
        free_;
    std::size_t pooled_ = 0;
    std::size_t keep_;
    std::once_flag cacheSized_;
};

// ---- the run

struct LinkOutcome {
    std::vector<MapValue> cells;
    std::string json;
    std::optional<std::string> failure;
    std::optional<GeoPoint> fromPoint, toPoint;
    const Verdict* verdict = &kFailed;
};

struct Chunk {
    std::vector<cli::LinkRecord> links;
    std::vector<LinkOutcome> outcomes;
    std::size_t used = 0;
};

class NetworkRun {
  public:
    NetworkRun(const NetworkOptions& options, std::FILE* out, std::FILE* err)
        : options_(options),
          out_(out),
          err_(err),
          reader_(sites_),
          pool_(cli::chunkSlots(options.jobs)) {}

    int run() {
        if (auto status = prepare()) return *status;
        const std::size_t jobs = std::max<std::size_t>(options_.jobs, 1);
        chunks_.resize(jobs == 1 ? 1 : cli::chunkSlots(jobs));
        if (options_.progress) total_ = countLinks();
        start_ = lastProgress_ = std::chrono::steady_clock::now();
        writeHeader();
        cli::ChunkStages stages;
        stages.read = [this](std::size_t slot) { return readChunk(chunks_[slot]); };
        stages.evaluate = [this](std::size_t slot) { evaluateChunk(chunks_[slot]); };
        stages.write = [this](std::size_t slot) { writeChunk(chunks_[slot]); };
        cli::runInOrder(jobs, stages);
        if (progressShown_) std::fputs("\r\033[K", err_);
        return finish();
    }

  private:
    std::optional<int> prepare() {
        if (!options_.mapFile.empty() && terrain::mapDriverFor(options_.mapFile).empty()) {
            std::fprintf(err_,
                         "hopscale network: --map %s: a map file must end in .kml, .geojson, "
                         ".gpkg or .svg\n",
                         cli::quotedText(options_.mapFile).c_str());
            return cli::kExitUsage;
        }
        if (!options_.designFile.empty()) {
            Result<design::LinkDesign> read = design::readDesignFile(options_.designFile);
            if (!read) {
                std::fprintf(err_, "hopscale network: %s\n", keyedMessage(*read.error).c_str());
                return cli::kExitFailed;
            }
            base_ = std::move(*read.value);
        }
        for (const std::string& path : options_.dem) {
            dem_.push_back(std::filesystem::absolute(path).lexically_normal().string());
        }
        if (auto e = cli::SiteTable::read(options_.sitesFile, sites_)) return inputsFailure(*e);
        if (auto e = reader_.open(options_.linksFile)) return inputsFailure(*e);
        linksDir_ = std::filesystem::absolute(options_.linksFile).parent_path();
        return std::nullopt;
    }

    int inputsFailure(const cli::InputsError& e) {
        std::fprintf(err_, "hopscale network: %s\n", printableText(e.text()).c_str());
        return e.usage ? cli::kExitUsage : cli::kExitFailed;
    }

    // The number of links, for the time left: the file read once more, quickly.
    std::size_t countLinks() {
        cli::LinkReader counter(sites_);
        if (counter.open(options_.linksFile)) return 0;
        std::size_t n = 0;
        cli::LinkRecord link;
        while (counter.next(link)) ++n;
        return n;
    }

    void writeHeader() {
        if (options_.json && options_.csvFile.empty()) return;
        for (const Column& c : columns()) {
            if (!csv_.empty()) csv_.push_back(',');
            csv_ += c.name;
        }
        csv_.push_back('\n');
        flushCsv();
    }

    bool readChunk(Chunk& chunk) {
        chunk.used = 0;
        chunk.links.resize(kChunkLinks);
        while (chunk.used < kChunkLinks && reader_.next(chunk.links[chunk.used])) ++chunk.used;
        return chunk.used > 0;
    }

    void evaluateChunk(Chunk& chunk) {
        chunk.outcomes.resize(chunk.used);
        for (std::size_t i = 0; i < chunk.used; ++i) {
            chunk.outcomes[i] = evaluateLink(chunk.links[i]);
        }
    }

    LinkOutcome evaluateLink(const cli::LinkRecord& link) {
        LinkOutcome o;
        o.cells.resize(columns().size());
        o.cells[columnIndex("name")] = link.name;
        o.cells[columnIndex("from")] = link.from;
        o.cells[columnIndex("to")] = link.to;
        auto fail = [&](const Error& e) {
            o.failure = keyedMessage(e);
            o.cells[columnIndex("verdict")] = std::string(kFailed.text);
            o.cells[columnIndex("error")] = *o.failure;
            o.verdict = &kFailed;
            if (options_.json) {
                o.json = Json{{"name", link.name},
                              {"from", link.from},
                              {"to", link.to},
                              {"error",
                               {{"kind", kindName(e.kind)},
                                {"key", e.key},
                                {"message", cli::errorMessage(e)}}}}
                             .dump(-1, ' ', false, Json::error_handler_t::replace);
            }
            return o;
        };
        if (link.problem) return fail(*link.problem);
        Result<design::LinkDesign> designed = designForLink(base_, link, linksDir_, dem_);
        if (!designed) return fail(*designed.error);
        const design::LinkDesign& d = *designed.value;
        o.fromPoint = siteDegrees(d.site(End::From).lat, d.site(End::From).lon);
        o.toPoint = siteDegrees(d.site(End::To).lat, d.site(End::To).lon);

        design::Environment environment;
        environment.dataDir = options_.dataDir;
        std::vector<std::string> paths;
        std::unique_ptr<terrain::ElevationRasters> rasters;
        if (d.profile.profile.empty() && !d.profile.dem.empty()) {
            for (const std::string& p : d.profile.dem) paths.push_back(design::resolvePath(d, p));
            rasters = pool_.take(paths);
            environment.rasters = rasters.get();
        }
        Result<design::LinkStudy> study = design::evaluate(d, environment);
        if (rasters) pool_.give(paths, std::move(rasters));
        if (!study) return fail(*study.error);

        studyCells(o.cells, d, *study.value);
        o.verdict = verdictOf(*study.value);
        o.cells[columnIndex("verdict")] = std::string(o.verdict->text);
        if (options_.json) {
            o.json = designReportJson(d, *study.value)
                         .dump(-1, ' ', false, Json::error_handler_t::replace);
        }
        return o;
    }

    void writeChunk(Chunk& chunk) {
        for (std::size_t i = 0; i < chunk.used; ++i) {
            const cli::LinkRecord& link = chunk.links[i];
            LinkOutcome& o = chunk.outcomes[i];
            ++links_;
            if (o.failure) reportFailure(link, *o.failure);
            if (!options_.json || !options_.csvFile.empty()) appendCsvRow(o.cells);
            if (options_.json) {
                json_ += o.json;
                json_.push_back('\n');
            }
            if (!options_.mapFile.empty()) addMapLink(link, o);
        }
        flushCsv();
        if (!json_.empty()) {
            if (std::fwrite(json_.data(), 1, json_.size(), out_) != json_.size())
                writeFailed_ = true;
            json_.clear();
        }
        if (options_.progress) showProgress();
    }

    void appendCsvRow(const std::vector<MapValue>& cells) {
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (i > 0) csv_.push_back(',');
            if (const double* n = std::get_if<double>(&cells[i]))
                csv_ += design::numberText(*n, -1);
            if (const std::string* t = std::get_if<std::string>(&cells[i])) {
                appendCsvField(csv_, *t);
            }
        }
        csv_.push_back('\n');
    }

    // CSV on stdout is written as it comes; for a file it is kept and written at the end.
    void flushCsv() {
        if (!options_.csvFile.empty() || options_.json) return;
        if (std::fwrite(csv_.data(), 1, csv_.size(), out_) != csv_.size()) writeFailed_ = true;
        csv_.clear();
    }

    void addMapLink(const cli::LinkRecord& link, LinkOutcome& o) {
        terrain::MapFeature feature;
        if (o.fromPoint && o.toPoint) feature.vertices = {*o.fromPoint, *o.toPoint};
        feature.values = std::move(o.cells);
        feature.values.emplace_back(std::in_place_type<std::string>, o.verdict->colour);
        feature.style = o.verdict->pen;
        mapLinks_.push_back(std::move(feature));
        ++siteLinks_[link.from];
        ++siteLinks_[link.to];
    }

    void reportFailure(const cli::LinkRecord& link, const std::string& message) {
        if (failed_++ == 0) firstFailedLine_ = link.line;
        if (failed_ > kMaxLinkMessages) return;
        if (progressShown_) {
            std::fputs("\r\033[K", err_);
            progressShown_ = false;
        }
        std::fprintf(err_, "hopscale network: link %s (line %zu): %s\n",
                     cli::quotedText(link.name).c_str(), link.line, printableText(message).c_str());
        if (failed_ == kMaxLinkMessages) {
            std::fprintf(err_, "hopscale network: further failing links are only counted\n");
        }
    }

    void showProgress() {
        const auto now = std::chrono::steady_clock::now();
        const double elapsed = std::chrono::duration<double>(now - start_).count();
        if (elapsed < 1 || now - lastProgress_ < std::chrono::milliseconds(250)) return;
        lastProgress_ = now;
        const double rate = static_cast<double>(links_) / elapsed;
        std::string left;
        if (total_ > links_ && rate > 0) {
            const auto seconds =
                static_cast<long long>(static_cast<double>(total_ - links_) / rate);
            left = ", " + std::to_string(seconds / 60) + " min " + std::to_string(seconds % 60) +
                   " s left";
        }
        std::fprintf(err_, "\r\033[K%zu%s links, %.0f per second%s", links_,
                     total_ > 0 ? (" of " + std::to_string(total_)).c_str() : "", rate,
                     left.c_str());
        std::fflush(err_);
        progressShown_ = true;
    }

    std::vector<terrain::MapLayer> mapLayers() const {
        terrain::MapLayer sites{"sites",
                                false,
                                {{"name"},
                                 {"lat"},
                                 {"lon"},
                                 {"groundElevation"},
                                 {"antennaHeight"},
                                 {"links", true},
                                 {"problem"}},
                                {}};
        auto key = [](const cli::SiteRecord& s, const char* k) -> MapValue {
            const auto at = s.keys.find(k);
            if (at == s.keys.end()) return std::monostate{};
            return at->second;
        };
        for (const cli::SiteRecord& s : sites_.sites()) {
            terrain::MapFeature f;
            const auto lat = s.keys.find("lat");
            const auto lon = s.keys.find("lon");
            if (lat != s.keys.end() && lon != s.keys.end()) {
                if (auto point = siteDegrees(lat->second, lon->second)) f.vertices = {*point};
            }
            const auto count = siteLinks_.find(s.name);
            f.values = {s.name,
                        key(s, "lat"),
                        key(s, "lon"),
                        key(s, "ground-elevation"),
                        key(s, "antenna-height"),
                        static_cast<double>(count == siteLinks_.end() ? 0 : count->second),
                        s.problem ? MapValue(*s.problem) : MapValue()};
            sites.features.push_back(std::move(f));
        }
        terrain::MapLayer links{"links", true, {}, mapLinks_};
        for (const Column& c : columns())
            links.fields.push_back({c.name, c.type == CellType::Number});
        links.fields.push_back({"colour"});
        return {sites, links};
    }

    int finish() {
        int status = failed_ > 0 ? cli::kExitFailed : cli::kExitOk;
        if (reader_.readError()) {
            std::fprintf(err_, "hopscale network: reading %s failed: %s\n",
                         printableText(options_.linksFile).c_str(), std::strerror(errno));
            status = cli::kExitFailed;
        }
        if (!options_.csvFile.empty()) {
            if (auto e = writeFileAtomically(options_.csvFile, csv_)) {
                std::fprintf(err_, "hopscale network: %s\n", cli::errorMessage(*e).c_str());
                status = cli::kExitFailed;
            }
        }
        if (!options_.mapFile.empty()) {
            Result<bool> written = terrain::writeMap(options_.mapFile, mapLayers());
            if (!written) {
                std::fprintf(err_, "hopscale network: %s\n",
                             cli::errorMessage(*written.error).c_str());
                status = cli::kExitFailed;
            }
        }
        if (writeFailed_ || std::fflush(out_) != 0 || std::ferror(out_) != 0) {
            std::fprintf(err_, "hopscale network: writing the output failed: %s\n",
                         std::strerror(errno));
            status = cli::kExitFailed;
        }
        if (failed_ > 0) {
            std::fprintf(err_, "hopscale network: %zu of %zu links failed (first on line %zu)\n",
                         failed_, links_, firstFailedLine_);
        }
        return status;
    }

    const NetworkOptions& options_;
    std::FILE* out_;
    std::FILE* err_;
    design::LinkDesign base_;
    std::vector<std::string> dem_;
    std::filesystem::path linksDir_;
    cli::SiteTable sites_;
    cli::LinkReader reader_;
    RasterPool pool_;
    std::vector<Chunk> chunks_;

    std::string csv_;
    std::string json_;
    bool writeFailed_ = false;
    std::vector<terrain::MapFeature> mapLinks_;
    std::unordered_map<std::string, std::size_t> siteLinks_;
    std::size_t links_ = 0;
    std::size_t total_ = 0;
    std::size_t failed_ = 0;
    std::size_t firstFailedLine_ = 0;
    std::chrono::steady_clock::time_point start_, lastProgress_;
    bool progressShown_ = false;
};

Error valueError(std::string key, std::string message) {
    Error e;
    e.kind = ErrorKind::TypeMismatch;
    e.key = std::move(key);
    e.detail = std::move(message);
    return e;
}

// A file name of a row, made absolute against the links file's folder.
std::string againstDir(const std::filesystem::path& dir, const std::string& name) {
    const std::filesystem::path path(name);
    return path.is_absolute() ? name : (dir / path).lexically_normal().string();
}

}  // namespace

const std::vector<std::string>& networkColumns() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> out;
        for (const Column& c : columns()) out.emplace_back(c.name);
        return out;
    }();
    return names;
}

Result<design::LinkDesign> designForLink(const design::LinkDesign& base,
                                         const cli::LinkRecord& link,
                                         const std::filesystem::path& linksDir,
                                         const std::vector<std::string>& dem) {
    design::LinkDesign d = base;
    d.name = link.name;
    if (!dem.empty()) {
        d.profile.profile.clear();
        d.profile.dem = dem;
    }
    const std::pair<End, const cli::KeyTexts*> ends[] = {{End::From, &link.fromEnd},
                                                         {End::To, &link.toEnd}};
    for (const auto& [end, keys] : ends) {
        design::SiteDesign& site = d.site(end);
        site.name = end == End::From ? link.from : link.to;
        site.groundElevation.clear();
        const std::string prefix = "sites[" + std::to_string(design::index(end)) + "].";
        for (const auto& [key, text] : *keys) {
            if (auto e = design::setSiteKey(site, key, text)) return valueError(prefix + key, *e);
        }
    }
    for (const auto& [key, text] : link.path) {
        if (auto e = design::setPathKey(d.path, key, text)) return valueError("path." + key, *e);
    }
    for (const auto& [key, text] : link.conditions) {
        if (auto e = design::setConditionKey(d.conditions, key, text)) {
            return valueError("conditions." + key, *e);
        }
    }
    const bool ownProfile = link.profile.count("profile") + link.profile.count("dem") > 0;
    if (ownProfile) {
        d.profile.profile.clear();
        d.profile.dem.clear();
    }
    for (const auto& [key, text] : link.profile) {
        if (auto e = design::setProfileKey(d.profile, key, text)) {
            return valueError("profile." + key, *e);
        }
    }
    if (!d.profile.profile.empty() && link.profile.count("profile") != 0) {
        d.profile.profile = againstDir(linksDir, d.profile.profile);
    }
    if (link.profile.count("dem") != 0) {
        for (std::string& path : d.profile.dem) path = againstDir(linksDir, path);
    }
    return d;
}

int runNetwork(const NetworkOptions& options, std::FILE* out, std::FILE* err) {
    NetworkRun run(options, out, err);
    return run.run();
}

cli::CommandDefinition networkCommand() {
    return {
        "network", "Evaluate every link of a network (LINKS.csv over SITES.csv) on every core",
        [](CLI::App& app) -> cli::CommandAction {
            auto o = std::make_shared<NetworkOptions>();
            auto quiet = std::make_shared<bool>(false);
            o->jobs = cli::availableCores();
            app.footer(
                "SITES.csv: site (its name) and any site key of a design, lat and lon required (" +
                [] {
                    std::string keys;
                    for (const std::string& k : cli::siteKeys())
                        keys += (keys.empty() ? "" : ", ") + k;
                    return keys;
                }() +
                ").\nLINKS.csv: name, from, to, any path, condition or profile key of a design, "
                "and site keys\nprefixed from- or to- for one end of that link. Output columns: " +
                [] {
                    std::string names;
                    for (const std::string& n : networkColumns())
                        names += (names.empty() ? "" : ", ") + n;
                    return names;
                }() +
                ".\nExit status: 0 every link evaluated, 1 a link failed or a file error, 2 "
                "usage error.");
            app.add_option("LINKS", o->linksFile, "CSV file of the links")->required();
            app.add_option("--sites", o->sitesFile, "CSV file of the sites")
                ->required()
                ->type_name("SITES");
            app.add_option("--design", o->designFile, "Design file (*.hop) every link starts from")
                ->type_name("TEMPLATE");
            app.add_option("--dem", o->dem,
                           "Elevation rasters or folders for links without their own")
                ->type_name("PATH");
            app.add_option("--csv", o->csvFile, "Write the CSV to OUT instead of stdout")
                ->type_name("OUT");
            app.add_flag("--json", o->json,
                         "One JSON object per link on stdout (as design report --json)");
            app.add_option("--map", o->mapFile,
                           "Write a map of sites and links (.kml, .geojson, .gpkg; .svg a picture)")
                ->type_name("OUT");
            app.add_option("--jobs", o->jobs,
                           "Links evaluated at once (default: the number of cores); the output "
                           "is the same whatever the number")
                ->check(CLI::Range(std::size_t{1}, std::size_t{1024}))
                ->capture_default_str();
            app.add_flag("--quiet", *quiet, "No progress line");
            return [o, quiet](const cli::CommandContext& context) {
                NetworkOptions options = *o;
                options.progress = !*quiet && isatty(fileno(stderr)) != 0;
                if (auto dir = resolveDataDir(context.global.dataDir)) options.dataDir = *dir.value;
                const int status = runNetwork(options, stdout, stderr);
                std::clearerr(stdout);  // a failed write is reported by the run, once
                return status;
            };
        }};
}

}  // namespace hopscale
