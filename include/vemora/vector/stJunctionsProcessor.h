#pragma once

#include <vemora/engine/stProcessor.h>
#include <vemora/foundation/utPoint.h>
#include <vemora/foundation/vemoraApi.h>

#include <memory>
#include <unordered_map>
#include <vector>

namespace Vemora {

class stEntity_c;
class stLine_c;
class stSketch_c;
class tmpCellGrid_c;
template <class Owner>
class tmpPropertyTable_c;

// Cleans a traced sketch around the points where its entities meet, on a copy of it:
//  1. exact duplicates (the last one is kept), zero-length lines and two-point splines go;
//  2. splines are cut into chains of lines for the work;
//  3. junctions are found: crossings of lines (their ends may fall short by the deviation) and
//     end points of elliptic arcs close to line ends or to each other; close junctions merge;
//  4. lines, ellipses and elliptic arcs within a small angle of the horizontal, then of the
//     vertical, are turned onto the axis about a junction (or their middle when they have none);
//     the junctions are found again and entity ends near them are moved onto them;
//  5. the chains become splines again.
//
// Registered as "JunctionsProcessor". Settings (configuration keys): "UseJunctionsProcessor" true,
// "JunctionsDeviation" 4.0 (intersection tolerance and junction merge distance, sketch units),
// "AngleTolerance" 0.8 (entities within (1 - AngleTolerance) * 15 degrees of an axis, at most 45,
// are straightened), "PixelDeviation" 5.0 and "UseMetricTolerance" false (when set, a turn may
// move an end point by at most "PixelDeviation").
class VEMORA_API stJunctionsProcessor_c : public stSketchProcessor_c {
public:
    class stEntityJunctionsInfo_c;

    // A point where entities meet, and the entities meeting there.
    class VEMORA_API stJunction_c {
    public:
        explicit stJunction_c(const utPoint_c& point) : point_(point) {}

        const utPoint_c& point() const { return point_; }
        // In linking order, each once.
        const std::vector<stEntityJunctionsInfo_c*>& infos() const { return infos_; }
        void addInfo(stEntityJunctionsInfo_c* info);

    private:
        utPoint_c point_;
        std::vector<stEntityJunctionsInfo_c*> infos_;
    };

    // One entity of the working sketch and its junctions. Places 0 and 1 hold the junctions at the
    // start and at the end (null while there is none); further junctions follow them.
    class VEMORA_API stEntityJunctionsInfo_c {
    public:
        // Reads the entity's end points (for an ellipse the ends of its a axis).
        explicit stEntityJunctionsInfo_c(stEntity_c* entity);

        // Null once the run that made this record has ended.
        stEntity_c* entity() const { return entity_; }
        void dropEntity() { entity_ = nullptr; }
        const utPoint_c& startPoint() const { return start_; }
        const utPoint_c& endPoint() const { return end_; }
        // Reads the end points again after the entity moved.
        void refreshEnds();

        int junctionPlaces() const { return int(junctions_.size()); }
        // i below junctionPlaces(); may be null for the two end places.
        stJunction_c* junctionAt(int i) const { return junctions_[size_t(i)]; }
        int junctionsCount() const { return count_; }
        // Lists the junction once: in the start place when it lies within `box` of the start
        // point in x and in y, else in the end place likewise, else after them.
        void addJunction(stJunction_c* junction, double box);

        // Set once a straightening turn moved the entity.
        bool turned() const { return turned_; }
        void setTurned() { turned_ = true; }
        // The angle measured in the horizontal (0) and the vertical (1) pass, degrees.
        double angle(int pass) const { return angle_[pass]; }
        void setAngle(int pass, double degrees) { angle_[pass] = degrees; }

    private:
        stEntity_c* entity_;
        utPoint_c start_;
        utPoint_c end_;
        bool turned_ = false;
        double angle_[2] = {0.0, 0.0};
        std::vector<stJunction_c*> junctions_{nullptr, nullptr};
        int count_ = 0;
    };

    stJunctionsProcessor_c();
    // Copies take the settings only: junctions, records and chains belong to one processor's run.
    stJunctionsProcessor_c(const stJunctionsProcessor_c& other);
    stJunctionsProcessor_c& operator=(const stJunctionsProcessor_c& other);
    ~stJunctionsProcessor_c() override;

    stDescriptor_c* isA() override;
    static stDescriptor_c* desc();
    stXmlElement_c* toXml(stXmlElement_c* element) const override;
    // Every setting is read; a missing one becomes 0 or false.
    void fromXml(stXmlElement_c* element) override;

    // Works on a copy: sketch is left to the caller, unchanged, and the caller owns the new sketch
    // returned. Switched off, or given null, it returns sketch itself.
    stSketch_c* process(stSketch_c* sketch) override;
    bool consumesInput() const override { return false; }

    // The first junction, in creation order, within the deviation of p in x and in y; null when
    // there is none.
    stJunction_c* findJunction(const utPoint_c& p);
    // The record of entity, or null.
    stEntityJunctionsInfo_c* findJunctionsInfo(const stEntity_c* entity) const;
    // Deletes every junction and every record.
    void clear();

    int junctionsCount() const { return int(junctions_.size()); }
    // i below junctionsCount(); in creation order.
    stJunction_c* junctionAt(int i) const { return junctions_[size_t(i)].get(); }
    int junctionsInfosCount() const { return int(infos_.size()); }
    stEntityJunctionsInfo_c* junctionsInfoAt(int i) const { return infos_[size_t(i)].get(); }

    void useProcessor(bool on) { useProcessor_ = on; }
    bool getUseProcessor() const { return useProcessor_; }
    void setDeviation(double d) { deviation_ = d; }
    double deviation() const { return deviation_; }
    double angleTolerance() const { return angleTolerance_; }
    void setAngleTolerance(double v) { angleTolerance_ = v; }
    double pixelDeviation() const { return pixelDeviation_; }
    void setPixelDeviation(double v) { pixelDeviation_ = v; }
    bool useMetricTolerance() const { return useMetricTolerance_; }
    void setUseMetricTolerance(bool on) { useMetricTolerance_ = on; }

    // Duplicates, crossings and junctions are looked up through grids (the default) or by
    // scanning everything; both visit candidates in the same order and give the same sketch.
    void setUseSpatialIndex(bool on) { useIndex_ = on; }
    bool useSpatialIndex() const { return useIndex_; }

private:
    static const tmpPropertyTable_c<stJunctionsProcessor_c>& properties();

    std::unique_ptr<stSketch_c> processSketch(std::unique_ptr<stSketch_c> sketch);
    void buildJunctions(stSketch_c& sketch);
    stEntityJunctionsInfo_c* infoFor(stEntity_c* entity);
    // findJunction, or a new junction at p.
    stJunction_c* junctionNear(const utPoint_c& p);
    void straighten(int pass);
    void snapEnds();
    void endRun();

    bool useProcessor_ = true;
    double deviation_ = 4.0;
    double angleTolerance_ = 0.8;
    double pixelDeviation_ = 5.0;
    bool useMetricTolerance_ = false;

    std::vector<std::unique_ptr<stEntityJunctionsInfo_c>> infos_;
    std::vector<std::unique_ptr<stJunction_c>> junctions_;
    // One chain of lines per spline cut up, in cutting order; lines of the working sketch.
    std::vector<std::vector<stLine_c*>> splineChains_;

    bool useIndex_ = true;
    std::unordered_map<const stEntity_c*, stEntityJunctionsInfo_c*> infoOf_;
    // Over the junctions of the current search, when it is indexed.
    std::unique_ptr<tmpCellGrid_c> junctionGrid_;
};

}  // namespace Vemora
