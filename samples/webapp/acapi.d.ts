// The Landfetch add-on's ACAPI object as a page sees it in the add-on's palette. Copy this file
// beside your page's scripts; with `// @ts-check` in a script (or in TypeScript) your editor then
// checks every call's arguments and knows the shape of each reply.
//
// Every function returns a Promise that resolves with the reply and rejects when the call raised
// an exception in the add-on. Arguments are positional; a missing text reads as empty, a missing
// number as 0.

declare namespace Landfetch {
    /** A plan coordinate pair in metres: [x, y]. */
    type XY = [x: number, y: number];

    /** "plan" places on the floor plan; any other text places on a worksheet. */
    type Target = 'plan' | 'worksheet' | (string & {});

    /** A text of "x y z" lines (metres, "." as decimal point). */
    type XYZText = string;
    /** A text of "x y" lines (metres). */
    type XYText = string;

    /** The reply of PlaceOrthophoto, PlaceCadastre, PlaceTerrain and PlaceBuildings:
     * "kod=<status> " (0 for success) followed by key=value diagnostics. See reply.js. */
    type PlacementReply = string;

    type CadastreLayer =
        | [name: string, pen: number, lineType: string, kind: 'lines', items: XY[][]]
        | [name: string, pen: number, lineType: string, kind: 'texts', items: [x: number, y: number, size: number, text: string][]]
        | [name: string, pen: number, lineType: string, kind: 'points', items: XY[]];

    /** One surrounding building. The fifth member, when greater than 0.5, switches the mesh option off. */
    type Building =
        | [footprint: XYText, footElevation: number, topElevation: number, roofPoints: XYZText]
        | [footprint: XYText, footElevation: number, topElevation: number, roofPoints: XYZText, optionOff: number];

    /** The JSON text GetAttributes replies with, parsed. */
    interface Attributes {
        layers: string[];
        lineTypes: string[];
        surfaces: string[];
        buildMats: string[];
        /** "#rrggbb" per pen index 1..n. */
        pens: string[];
        worksheets: [ref: string, name: string][];
        stories: [index: number, name: string][];
        actStory: number;
        /** Metres. */
        altitude: number;
    }

    /** The JSON text GetSurveyPoint replies with, parsed. */
    type SurveyPoint = { ok: true; eastings: number; northings: number; height: number } | { ok: false };

    /** The JSON text ChooseSaveFile and SaveTextFile reply with, parsed. */
    type FileReply =
        | { ok: true; path: string }
        | { ok: false; err: 'cilova_slozka' | 'zruseno' | 'soubor' | 'zapis' | (string & {}) };

    /** The JSON text SetProjectInfo replies with, parsed. */
    type ProjectInfoReply = { ok: true; set: number; created: number } | { ok: false; err: 'autotexty' | (string & {}) };

    /** A JSON text that parses to T. */
    type Json<T> = string & { readonly __json?: T };

    /** The functions of every build (host API 27, 28, 29 and 30). */
    interface ACAPIFunctions {
        /** "1.11". */
        GetVersion(): Promise<string>;
        GetAttributes(): Promise<Json<Attributes>>;
        GetSurveyPoint(): Promise<Json<SurveyPoint>>;
        /** Ties the project to the national grid; `apply` greater than 0.5 applies it. */
        SetSurveyPoint(eastings: number, northings: number, height: number, apply: number,
                       latitude: number, longitude: number): Promise<boolean>;
        PlaceOrthophoto(image: string, width: number, height: number, centerX: number, centerY: number,
                        scaleX: number, scaleY: number, shiftX: number, shiftY: number, layer: string,
                        target: Target, worksheetName: string, worksheetRef: string, story?: number): Promise<PlacementReply>;
        PlaceCadastre(target: Target, worksheetName: string, worksheetRef: string, story: number,
                      layers: CadastreLayer[]): Promise<PlacementReply>;
        /** `exactOutline` greater than 0.5 keeps the outline exactly; `texture` is Base64 (empty: none). */
        PlaceTerrain(dataset: string, points: XYZText, referenceElevation: number, outline: XY[], layer: string,
                     topSurface: string, sideSurface: string, buildingMaterial: string, exactOutline: number,
                     texture: string, textureSizeX: number, textureSizeY: number): Promise<PlacementReply>;
        /** `roofTexture` is Base64 (empty: none). */
        PlaceBuildings(buildings: Building[], referenceElevation: number, layer: string, wallSurface: string,
                       roofTexture: string, textureSizeX: number, textureSizeY: number): Promise<PlacementReply>;
        ChooseSaveFile(proposedName: string): Promise<Json<FileReply>>;
        /** `file`: a bare name (the report folder) or the path ChooseSaveFile gave. */
        SaveTextFile(file: string, text: string): Promise<Json<FileReply>>;
        SetProjectInfo(entries: [key: string, value: string][]): Promise<Json<ProjectInfoReply>>;
    }

    /** The builds for host API 29 and 30 follow the host's colour theme. */
    interface ACAPIWithAppearance extends ACAPIFunctions {
        GetAppearance(): Promise<'dark' | 'light'>;
    }

    type ACAPI27 = ACAPIFunctions;
    type ACAPI28 = ACAPIFunctions;
    type ACAPI29 = ACAPIWithAppearance;
    type ACAPI30 = ACAPIWithAppearance;
    /** Whichever build the page runs in: test for GetAppearance before calling it. */
    type ACAPI = ACAPI27 | ACAPI28 | ACAPI29 | ACAPI30;
}

interface Window {
    /** Absent when the page runs outside the add-on's palette. */
    ACAPI?: Landfetch.ACAPI;
    /** The add-on calls this with "dark" or "light" when the host's theme changes (builds 29 and 30). */
    acSetTheme?: (theme: 'dark' | 'light') => void;
    /** The add-on calls this when a project is created or opened: read the survey point again. */
    acResyncProjectOrigin?: () => void;
}
