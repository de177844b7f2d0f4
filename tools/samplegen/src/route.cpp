#include "route.h"

namespace samplegen {
namespace {

// Berlin, west to east: Ernst-Reuter-Platz, Strasse des 17. Juni through the Tiergarten
// and round the south side of the Grosser Stern, right into Ebertstrasse at Platz des
// 18. Maerz, Potsdamer Platz, then Leipziger Strasse to Spittelmarkt (about 6.4 km).
// North and east of Greenwich.
const Route kBerlin = {
    "berlin",
    "Berlin: Ernst-Reuter-Platz - Strasse des 17. Juni - Potsdamer Platz - Spittelmarkt",
    36.0,
    {
        {52.51270, 13.32235, 50, 0},   // Ernst-Reuter-Platz, east exit
        {52.51285, 13.32630, 50, 20},  // TU Berlin main building
        {52.51305, 13.33000, 50, 0},   // Charlottenburger Tor
        {52.51370, 13.33640, 50, 0},   // S Tiergarten bridge
        {52.51420, 13.34300, 50, 0},   // Tiergarten
        {52.51451, 13.34884, 30, 0},   // Grosser Stern, entry
        {52.51397, 13.34921, 30, 0},   // Grosser Stern, south-west
        {52.51375, 13.35010, 30, 0},   // Grosser Stern, south (Victory Column to the north)
        {52.51397, 13.35099, 30, 0},   // Grosser Stern, south-east
        {52.51451, 13.35136, 50, 0},   // Grosser Stern, exit east
        {52.51510, 13.35900, 50, 0},   // Tiergarten
        {52.51570, 13.36600, 50, 0},   // Tiergarten
        {52.51620, 13.37200, 50, 0},   // Soviet War Memorial
        {52.51630, 13.37600, 30, 30},  // Platz des 18. Maerz, turning right
        {52.51600, 13.37720, 50, 0},   // Ebertstrasse
        {52.51400, 13.37720, 50, 0},   // Ebertstrasse, Holocaust Memorial
        {52.51200, 13.37690, 50, 0},   // Ebertstrasse
        {52.51020, 13.37660, 50, 0},   // Ebertstrasse, south end
        {52.50960, 13.37630, 30, 35},  // Potsdamer Platz, turning left
        {52.50945, 13.37720, 40, 0},   // Leipziger Platz, west
        {52.50960, 13.37960, 50, 0},   // Leipziger Platz, east
        {52.50985, 13.38350, 50, 25},  // Leipziger Strasse / Wilhelmstrasse
        {52.50995, 13.38600, 50, 0},   // Leipziger Strasse / Mauerstrasse
        {52.51005, 13.38900, 50, 30},  // Leipziger Strasse / Friedrichstrasse
        {52.51025, 13.39400, 50, 0},   // Leipziger Strasse
        {52.51050, 13.39900, 50, 0},   // Leipziger Strasse
        {52.51110, 13.40350, 50, 0},   // Spittelmarkt
    },
};

// Buenos Aires, south to north along Avenida 9 de Julio past the Obelisco (about 3 km).
// South and west of Greenwich, so both hemisphere flags are the "other" value.
const Route kBuenosAires = {
    "buenos-aires",
    "Buenos Aires: Avenida 9 de Julio, Av. San Juan - Obelisco - Av. Santa Fe",
    25.0,
    {
        {-34.62250, -58.38000, 60, 0},   // Av. San Juan
        {-34.61750, -58.38050, 60, 25},  // Av. Independencia
        {-34.61300, -58.38080, 60, 0},   // Av. Belgrano
        {-34.60900, -58.38120, 60, 30},  // Avenida de Mayo
        {-34.60373, -58.38157, 60, 0},   // Obelisco, Av. Corrientes
        {-34.59900, -58.38200, 60, 25},  // Av. Cordoba
        {-34.59550, -58.38220, 60, 0},   // Av. Santa Fe
    },
};

const Route *const kRoutes[] = {&kBerlin, &kBuenosAires};

}  // namespace

const Route *findRoute(const std::string &name) {
  for (const Route *route : kRoutes) {
    if (route->name == name) return route;
  }
  return nullptr;
}

std::vector<std::string> routeNames() {
  std::vector<std::string> names;
  for (const Route *route : kRoutes) names.push_back(route->name);
  return names;
}

}  // namespace samplegen
