// Multipath (flat) fading on a clear-air terrestrial path: ITU-R P.530-18 sections 2.3.1,
// 2.3.2 and 2.3.4, and the Vigants-Barnett method of North American practice.
// Percentages are of time (0 to 100); fade depths and margins in dB.
#pragma once

namespace hopscale::propagation {

inline constexpr const char* kMultipathModelName = "ITU-R P.530-18 multipath";
inline constexpr const char* kVigantsBarnettName = "Vigants-Barnett";

// The path as section 2.3.1 sees it. Heights in metres above sea level.
struct MultipathPath {
    double pathKm = 0;           // d
    double frequencyGHz = 0;     // f
    double emitterHeightM = 0;   // he: ground elevation + antenna height at the From end
    double receiverHeightM = 0;  // hr: the same at the To end
    double meanTerrainM = 0;     // ht
    double geoclimaticK = 0;     // K (10^LogK when a LogK is known)
    double dN75 = 0;             // point refractivity gradient in the lowest 65 m, N-units/km
};

// The path-dependent terms of section 2.3.1.
struct MultipathGeometry {
    double inclinationMrad = 0;  // ep = |hr - he| / d
    double altitudeM = 0;        // hc = (hr + he)/2 - d^2/102 - ht
    double lowerAntennaM = 0;    // hL = min(he, hr)
    double vsr = 0;  // vsr = min((dN75/50)^1.8 exp(-hc / (2.5 sqrt d)), dN75 d^1.5 f^0.5 / 24730)
};
MultipathGeometry multipathGeometry(const MultipathPath& path);

// Section 2.3.1: the worst-month percentage p0 at a fade depth of 0 dB (the multipath
// occurrence factor). The method is stated for paths of 5 km or more.
double multipathOccurrencePercent(const MultipathPath& path);

// Section 2.3.2: the worst-month percentage for a fade depth A >= 0 dB given p0, covering
// shallow fades (below At = 25 + 1.2 log p0) by the interpolation of that section.
double worstMonthFadePercent(double p0Percent, double fadeDepthDb);

// Section 2.3.4: the logarithmic conversion factor dG (dB) from worst month to average year,
// at the path-centre latitude xi (degrees), capped from above at 10.8 dB.
double worstMonthToYearDb(double pathCentreLatitudeDeg, double pathKm, double inclinationMrad);

// Section 2.3.4: the average-year percentage for a fade depth A given p0 and dG. Deep fades
// take 10^(-dG/10) of the worst month; shallow fades apply the factor to pt and redo 2.3.2.
double annualFadePercent(double p0Percent, double fadeDepthDb, double dGDb);

// Vigants-Barnett: annual outage fraction U = a b 2.5e-6 f D^3 10^(-F/10) (a fraction, not a
// percentage; it may exceed 1 for a hopeless path). D in miles, f in GHz, F in dB.
// a: 4 smooth terrain or over water, 1 average, 1/4 rough. b: 1/2 hot and humid,
// 1/4 temperate, 1/8 dry or mountainous.
double vigantsBarnettFraction(double terrainFactor, double climateFactor, double frequencyGHz,
                              double pathMiles, double fadeMarginDb);

}  // namespace hopscale::propagation
