// The <kolo-board> element: a colouring book for children. Importing the module defines it.

/** What `change` events carry. */
export interface KoloBoardChangeDetail {
  /** The picture on the board, as its folder page names it. */
  picture: string;
  /** Its place in the folder, from 0. */
  index: number;
  /** The pictures in the folder. */
  count: number;
  /** Whether the child marked the picture finished. */
  finished: boolean;
}

export interface KoloBoardEventMap extends HTMLElementEventMap {
  /** After every fill, Undo, Redo, change of picture and of its finished mark. */
  change: CustomEvent<KoloBoardChangeDetail>;
  /** A folder load has ended, whether or not it found pictures. */
  load: Event;
  /** Cancelable: the board wants its first address. */
  initimage: Event;
  /** Cancelable: Exit was clicked; unless cancelled the window is asked to close. */
  exit: Event;
}

/**
 * Attributes: `folder` (a folder page's address), `lang` (the board's language: en, fr, de or
 * ar; without it the nearest ancestor's, then the browser's; others are English; Arabic mirrors
 * the board; read when the board starts), `toolbar="none"` (no toolbar under the board), `keep="none"` (the colouring is
 * kept only while the page is open, not in IndexedDB).
 */
export declare class KoloBoard extends HTMLElement {
  /** The `folder` attribute: the address of a folder page; setting it loads the folder. */
  folder: string | null;
  /** Resolves once the board has started. */
  readonly ready: Promise<void>;
  /** The picture on the board, as its folder page names it ("" without one). */
  readonly pictureName: string;
  /** The language the board speaks, as `lang` chose it. */
  readonly language: 'en' | 'fr' | 'de' | 'ar';
  /** Whether the child marked the picture on the board finished (kept with its work). */
  finished: boolean;
  /** Marks the picture finished, or takes the mark away, as the toolbar's star and F do. */
  toggleFinished(): void;
  /** Milliseconds from navigation to the board's first paint. */
  readonly firstPaintTime?: number;
  /** Loads a folder; a newer address cancels a load under way. Resolves when it has ended. */
  setImageURL(url: string): Promise<void>;
  /** The coloured picture as a PNG, at the detail the screen has it at (up to 2288 × 1808). */
  save(): Promise<Blob>;
  /** Clears the picture's colouring; Undo brings it back. */
  newPage(): void;
  /** Shows the About box. */
  aboutBox(): void;

  addEventListener<K extends keyof KoloBoardEventMap>(type: K,
    listener: (this: KoloBoard, event: KoloBoardEventMap[K]) => unknown,
    options?: boolean | AddEventListenerOptions): void;
  addEventListener(type: string, listener: EventListenerOrEventListenerObject,
    options?: boolean | AddEventListenerOptions): void;
  removeEventListener<K extends keyof KoloBoardEventMap>(type: K,
    listener: (this: KoloBoard, event: KoloBoardEventMap[K]) => unknown,
    options?: boolean | EventListenerOptions): void;
  removeEventListener(type: string, listener: EventListenerOrEventListenerObject,
    options?: boolean | EventListenerOptions): void;
}

/** How long a transfer may receive nothing before it is dropped (milliseconds). */
export declare const transferLimits: { stallMs: number };

declare global {
  interface HTMLElementTagNameMap {
    'kolo-board': KoloBoard;
  }
}
