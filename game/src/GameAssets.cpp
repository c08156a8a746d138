#include "game/src/GameAssets.h"

namespace Lumo
{

namespace GameAssets
{

namespace
{
std::vector<std::string> MakePictures()
{
    std::vector<std::string> names = {
        "gfx/ingredients/pizzadough", "gfx/ingredients/basil",      "gfx/ingredients/oregano",
        "gfx/ingredients/garlic",     "gfx/ingredients/onions",     "gfx/ingredients/anchovies",
        "gfx/ingredients/sausage",    "gfx/pizza/pizza_Margherita", "gfx/pizza/pizza_Marinara",
        "gfx/pizza/pizza_Cipolla",    "gfx/pizza/pizza_Napoletana", "gfx/pizza/pizza_Viennese",
        "gfx/objects/oven",           "gfx/objects/table",          "gfx/objects/preptable",
        "gfx/objects/fridge",         "gfx/objects/trashcan",       "gfx/tile/tile",
    };
    for (int n = 0; n < 8; n++)
        names.push_back("gfx/lorenzo/idle/lorenzo" + std::to_string(n));
    for (int i = 0; i < 4; i++)
    {
        const std::string side = std::to_string(i);
        names.push_back("gfx/objects/chair/chair" + side);
        names.push_back("gfx/lorenzo/walk0/lorenzo" + side + "_walk0");
        names.push_back("gfx/lorenzo/walk1/lorenzo" + side + "_walk1");
        for (int look = 1; look <= 5; look++)
            names.push_back("gfx/customer/" + std::to_string(look) + "/cust" + side);
        names.push_back("gfx/UI/PizzaTimer" + std::to_string(i + 1));
    }
    for (const char* name :
         {"gfx/UI/BigPizzaLogo1", "gfx/UI/BigPizzaLogo2", "gfx/UI/Euro", "gfx/UI/Heart", "gfx/UI/MainLogo",
          "gfx/UI/GrayLogo", "gfx/UI/MainMenuBtnDown", "gfx/UI/MuteBtnDown", "gfx/UI/UnmuteBtnDown",
          "gfx/UI/ResumeBtnDown", "gfx/UI/PauseBtnDown", "gfx/UI/FullscreenBtnDown", "gfx/UI/WindowedBtnDown",
          "gfx/tutorial/tut1", "gfx/tutorial/tut2", "gfx/tutorial/tut3"})
        names.push_back(name);
    return names;
}
} // namespace

const std::vector<std::string>& Pictures()
{
    static const std::vector<std::string> names = MakePictures();
    return names;
}

const std::vector<std::string>& MusicTracks()
{
    static const std::vector<std::string> names = {"music/Andromeda_Polka.ogg", "music/Anna_Polka.ogg",
                                                   "music/Peperocina_Polka.ogg", "music/Desperata_Polka.ogg",
                                                   "music/ScaccoMatto_Polka.ogg"};
    return names;
}

} // namespace GameAssets

} // namespace Lumo
