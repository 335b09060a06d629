#!/usr/bin/env bash
# Draws images.bmp: the strip of 16x16 tool-bar and menu pictures, magenta (255,0,255) being
# the transparent colour. The pictures are plain geometric drawings made for this project;
# run this script after changing one and commit the result. ImageIndex in userinterface.xml
# counts the pictures from 0 in the order below.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

n=0
icon() {
    # icon <draw arguments...>: one picture from ImageMagick drawing primitives.
    convert -size 16x16 xc:'#FF00FF' +antialias "$@" "$work/$(printf %02d $n).png"
    n=$((n + 1))
}

ink='#202060'
sheet=(-fill white -stroke '#404040' -draw 'rectangle 3,1 12,14')
person=(-fill '#E0B080' -stroke '#604020' -draw 'circle 7,4 7,1'
        -fill '#3060C0' -stroke '#203060' -draw 'roundrectangle 2,8 12,15 3,3')
funnel=(-fill '#F0D040' -stroke '#806000' -draw 'polygon 1,2 14,2 9,8 9,14 6,12 6,8')
box=(-fill '#C08040' -stroke '#603000' -draw 'rectangle 1,6 14,14'
     -fill '#E0A060' -draw 'rectangle 0,3 15,6')

icon -fill none -stroke '#208020' -strokewidth 2 -draw 'arc 2,2 13,13 40,330' \
     -fill '#208020' -stroke none -draw 'polygon 10,0 15,5 9,6'                            # 0 refresh
icon -fill none -stroke "$ink" -strokewidth 2 -draw 'polyline 12,2 3,2 8,8 3,13 12,13'       # 1 count
icon "${funnel[@]}"                                                                          # 2 filter panel
icon "${funnel[@]}" -fill none -stroke '#008000' -strokewidth 2 -draw 'polyline 8,11 10,14 15,8'  # 3 apply
icon "${funnel[@]}" -stroke '#C00000' -strokewidth 2 -draw 'line 9,9 15,15' -draw 'line 15,9 9,15' # 4 clear
icon "${funnel[@]}" -stroke '#008000' -strokewidth 2 -draw 'line 12,8 12,15' -draw 'line 9,12 15,12' # 5 add condition
icon "${funnel[@]}" -stroke '#C00000' -strokewidth 2 -draw 'line 9,12 15,12'                 # 6 delete conditions
icon -fill '#F0C000' -stroke '#806000' \
     -draw 'polygon 8,0 10,5 15,6 11,9 12,15 8,12 4,15 5,9 1,6 6,5'                          # 7 favourites
icon -fill white -stroke '#404040' -draw 'rectangle 1,2 14,13' \
     -fill '#4080C0' -draw 'rectangle 1,2 14,4' -stroke '#404040' -draw 'line 6,2 6,13' -draw 'line 10,2 10,13' # 8 columns
icon -fill '#C0C0C0' -stroke '#404040' -draw 'rectangle 3,7 12,14' \
     -fill none -strokewidth 2 -draw 'arc 4,1 11,11 180,360'                                 # 9 froze layout
icon -stroke '#C00000' -strokewidth 3 -draw 'line 3,3 12,12' -draw 'line 12,3 3,12'          # 10 delete
icon "${box[@]}"                                                                             # 11 archive
icon "${box[@]}" -fill '#008000' -stroke none -draw 'polygon 4,8 11,8 7,13'                  # 12 to archive
icon "${box[@]}" -fill '#0040C0' -stroke none -draw 'polygon 4,13 11,13 7,8'                 # 13 from archive
icon -fill white -stroke "$ink" -draw 'circle 7,7 7,0' -strokewidth 2 -draw 'polyline 7,3 7,7 10,9' # 14 history
icon -fill white -stroke '#404040' -draw 'rectangle 1,1 9,11' -draw 'rectangle 5,4 14,14'    # 15 copy
icon -fill '#A0C0F0' -stroke '#203060' -draw 'rectangle 1,1 14,14' \
     -fill white -draw 'rectangle 4,4 11,11'                                                 # 16 select all
icon -fill '#A0C0F0' -stroke '#203060' -draw 'rectangle 1,1 14,14' \
     -fill white -stroke none -draw 'polygon 2,2 13,2 2,13'                                  # 17 invert selection
icon -fill '#E0F0FF' -stroke "$ink" -strokewidth 2 -draw 'circle 6,6 6,2' -draw 'line 9,9 14,14' # 18 find
icon -fill '#3050A0' -stroke '#102040' -draw 'rectangle 1,1 14,14' \
     -fill white -draw 'rectangle 4,1 11,6' -fill '#C0C0C0' -draw 'rectangle 4,10 11,14'    # 19 save
icon -fill '#F0D060' -stroke '#806000' -draw 'polygon 1,3 6,3 7,5 14,5 14,14 1,14'           # 20 open
icon -fill '#A06030' -stroke '#502000' -draw 'rectangle 2,1 9,14' \
     -fill '#C00000' -stroke none -draw 'polygon 9,5 13,8 9,11'                              # 21 exit
icon "${person[@]}"                                                                          # 22 personal card
icon "${person[@]}" -stroke '#008000' -strokewidth 2 -draw 'line 13,1 13,7' -draw 'line 10,4 15,4' # 23 new student
icon -fill '#2060A0' -stroke '#103050' -draw 'rectangle 2,1 13,14' \
     -fill white -stroke none -draw 'rectangle 5,4 11,6'                                     # 24 record book
icon "${sheet[@]}" -stroke "$ink" -draw 'line 5,4 10,4' -draw 'line 5,7 10,7' -draw 'line 5,10 10,10' # 25 orders
icon "${sheet[@]}" -stroke "$ink" -draw 'line 5,4 10,4' \
     -fill none -stroke '#008000' -strokewidth 2 -draw 'polyline 5,9 7,12 12,6'             # 26 confirmed orders
icon -fill white -stroke '#404040' -draw 'rectangle 1,1 14,14' \
     -draw 'line 1,5 14,5' -draw 'line 1,9 14,9' -draw 'line 6,1 6,14'                      # 27 curricula
icon -fill '#F0E0C0' -stroke '#604020' -draw 'rectangle 1,1 14,14' \
     -fill '#60A060' -draw 'rectangle 3,3 7,7' -fill '#6080C0' -draw 'rectangle 8,8 12,12'  # 28 credit curricula
icon "${sheet[@]}" -fill '#C00000' -stroke none -draw 'rectangle 5,3 7,5' -draw 'rectangle 5,7 7,9' \
     -draw 'rectangle 5,11 7,13' -stroke "$ink" -draw 'line 9,4 11,4' -draw 'line 9,8 11,8' -draw 'line 9,12 11,12' # 29 protocols
icon -fill '#4080C0' -stroke '#203060' -draw 'rectangle 2,8 4,14' -draw 'rectangle 7,4 9,14' \
     -draw 'rectangle 12,1 14,14'                                                            # 30 statistics
icon -fill '#C02020' -stroke '#600000' -draw 'circle 7,5 7,1' \
     -draw 'polygon 3,7 11,7 7,15'                                                           # 31 placement
icon -fill '#208020' -stroke none -draw 'polygon 1,4 10,4 10,1 15,5 10,9 10,6 1,6' \
     -fill '#2040C0' -draw 'polygon 14,10 5,10 5,7 0,11 5,15 5,12 14,12'                     # 32 exchange
icon -fill '#808080' -stroke '#303030' -draw 'circle 7,7 7,1' \
     -fill '#FF00FF' -draw 'circle 7,7 7,4'                                                  # 33 options
icon -fill '#F0E0C0' -stroke '#604020' -draw 'ellipse 7,8 7,6 0,360' \
     -stroke none -fill '#C00000' -draw 'circle 4,6 4,4' -fill '#00A000' -draw 'circle 8,5 8,3' \
     -fill '#0040C0' -draw 'circle 11,8 11,6'                                                # 34 colours
icon -fill '#2060C0' -stroke '#103060' -draw 'circle 7,7 7,0' \
     -fill white -stroke white -strokewidth 2 -draw 'arc 5,3 10,8 180,90' -draw 'point 7,12' # 35 help
icon -fill '#2060C0' -stroke '#103060' -draw 'circle 7,7 7,0' \
     -fill white -stroke white -draw 'rectangle 7,6 8,12' -draw 'rectangle 7,3 8,4'         # 36 about

convert "$work"/*.png +append -type TrueColor BMP3:images.bmp
echo "images.bmp: $n pictures"
